#!/usr/bin/env python3
"""Reads Quillmark.chm back with chmlib's extract_chmLib (an independent
reader) and checks that it is a complete help file: its system data names the
title, the start topic, the contents and the index; the contents list every
topic; every topic, image, style sheet and anchor that a page, the contents or
the index refers to is inside the file; every image inside is used; and every
menu item of the program is explained somewhere.

usage: check_chm.py CHM HELP_SOURCE_DIR RESOURCE_DIR [EXTRACT_CHMLIB]
"""
import glob
import html
import html.parser
import os
import posixpath
import re
import struct
import subprocess
import sys
import tempfile

failures = []


def fail(text):
    failures.append(text)


class PageParser(html.parser.HTMLParser):
    """Collects links, image sources, anchors, sitemap entries and text."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.links = []  # (attribute, value)
        self.anchors = set()
        self.sitemap = []  # Local values of <param name="Local">
        self.text = []
        self.in_title = False
        self.title = ""

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag in ("a", "link") and a.get("href"):
            self.links.append(("href", a["href"]))
        if tag == "img" and a.get("src"):
            self.links.append(("src", a["src"]))
        if tag == "a" and a.get("name"):
            self.anchors.add(a["name"])
        if tag == "param" and (a.get("name") or "").lower() == "local":
            self.sitemap.append(a.get("value") or "")
        if tag == "title":
            self.in_title = True

    def handle_endtag(self, tag):
        if tag == "title":
            self.in_title = False

    def handle_data(self, data):
        if self.in_title:
            self.title += data
        self.text.append(data)


def parse(path):
    p = PageParser()
    with open(path, encoding="latin-1") as f:
        p.feed(f.read())
    return p


def system_records(path):
    """The #SYSTEM file: a version, then (code, length, data) records."""
    data = open(path, "rb").read()
    records, pos = {}, 4
    while pos + 4 <= len(data):
        code, length = struct.unpack_from("<HH", data, pos)
        records[code] = data[pos + 4:pos + 4 + length].split(b"\0")[0].decode("latin-1")
        pos += 4 + length
    return records


def is_external(ref):
    return re.match(r"^[a-z]+:", ref, re.I) is not None


def resolve(base, ref):
    """The archive path a reference from page `base` names, and its anchor."""
    ref, _, anchor = ref.partition("#")
    if not ref:
        return base, anchor
    return posixpath.normpath(posixpath.join(posixpath.dirname(base), ref.replace("\\", "/"))), anchor


def menu_texts(resource_dir):
    """The item texts of every menu of the program, as the user reads them."""
    texts = set()
    for rc in glob.glob(os.path.join(resource_dir, "*.rc")):
        with open(rc, encoding="latin-1") as f:
            for m in re.finditer(r'^\s*MENUITEM\s+"((?:[^"]|"")*)"', f.read(), re.M):
                t = m.group(1).replace('""', '"').split("\\t")[0].replace("&", "")
                if t:
                    texts.add(t)
    return texts


def main():
    chm, source_dir, resource_dir = sys.argv[1:4]
    extract = sys.argv[4] if len(sys.argv) > 4 else "extract_chmLib"
    if not os.path.isfile(chm):
        print("no help file at %s" % chm)
        return 1
    with tempfile.TemporaryDirectory() as out:
        r = subprocess.run([extract, chm, out], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        if r.returncode != 0:
            print("%s could not read %s: %s" % (extract, chm, r.stderr.decode(errors="replace")))
            return 1
        inside = set()
        for root, _, files in os.walk(out):
            for name in files:
                inside.add(os.path.relpath(os.path.join(root, name), out).replace(os.sep, "/"))

        system = system_records(os.path.join(out, "#SYSTEM")) if "#SYSTEM" in inside else {}
        expected = {0: "toc.hhc", 1: "index.hhk", 2: "index.htm", 3: "Quillmark Help"}
        for code, value in expected.items():
            if system.get(code) != value:
                fail("#SYSTEM record %d is %r, expected %r" % (code, system.get(code), value))

        topics = sorted(p for p in inside if p.endswith(".htm"))
        pages = {p: parse(os.path.join(out, p)) for p in topics}

        # Every topic of the sources is compiled in, and the contents list
        # each topic of the file, in entries whose targets exist.
        for src in sorted(glob.glob(os.path.join(source_dir, "*.htm"))):
            if os.path.basename(src) not in inside:
                fail("topic %s is not in the help file" % os.path.basename(src))
        for sitemap in ("toc.hhc", "index.hhk"):
            if sitemap not in inside:
                fail("%s is not in the help file" % sitemap)
                continue
            entries = parse(os.path.join(out, sitemap)).sitemap
            if not entries:
                fail("%s has no entries" % sitemap)
            for local in entries:
                target, anchor = resolve("", local)
                if target not in inside:
                    fail("%s names %s, which is not in the help file" % (sitemap, local))
                elif anchor and anchor not in pages[target].anchors:
                    fail("%s names anchor %s, which %s lacks" % (sitemap, local, target))
            if sitemap == "toc.hhc":
                listed = {resolve("", l)[0] for l in entries}
                for t in topics:
                    if t not in listed:
                        fail("the contents do not list topic %s" % t)

        # Every page's references point inside the file; every image inside is used.
        used = set()
        for page, parsed in pages.items():
            if not parsed.title.strip():
                fail("%s has no title" % page)
            for attr, ref in parsed.links:
                if is_external(ref):
                    continue
                target, anchor = resolve(page, ref)
                used.add(target)
                if target not in inside:
                    fail("%s refers (%s) to %s, which is not in the help file" % (page, attr, ref))
                elif anchor and (target not in pages or anchor not in pages[target].anchors):
                    fail("%s refers to anchor %s, which %s lacks" % (page, ref, target))
        for image in sorted(p for p in inside if p.lower().endswith((".png", ".gif", ".jpg", ".bmp"))):
            if image not in used:
                fail("image %s is in the help file but no topic shows it" % image)
        for tab in ("applications", "tasks", "services", "drivers", "performance", "network"):
            if "images/tab-%s.png" % tab not in used:
                fail("no topic shows the %s tab's picture" % tab)

        # Every menu item of the program is explained.
        alltext = re.sub(r"\s+", " ", " ".join(" ".join(p.text) for p in pages.values()))
        for item in sorted(menu_texts(resource_dir)):
            if item not in alltext:
                fail("no topic mentions the menu item %r" % item)

        print("%d entries, %d topics, system data %s" % (len(inside), len(topics), system))
    for f in failures:
        print("FAIL: " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
