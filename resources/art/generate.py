"""Builds every image resource from the drawing modules in this folder.

Usage: generate.py OUTDIR
Each module named draw_*.py defines build(outdir) and writes its files there.
"""
import importlib.util
import os
import sys


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    here = os.path.dirname(os.path.abspath(__file__))
    sys.path.insert(0, here)
    for name in sorted(os.listdir(here)):
        if name.startswith("draw_") and name.endswith(".py"):
            mod_def = importlib.util.spec_from_file_location(name[:-3], os.path.join(here, name))
            module = importlib.util.module_from_spec(mod_def)
            mod_def.loader.exec_module(module)
            module.build(outdir)


if __name__ == "__main__":
    main()
