// Fixed HTML fragments shared by the HTML export and the detail page. Each
// function writes to an open file and returns false, writing nothing, when
// the file is null. Lines end in CR LF: open the file in binary mode ("wb").
// The title and the attribute values are text, escaped here; headExtra is
// markup and is written as given.
#pragma once

#include <cstdio>
#include <string>

namespace HtmlWriter {

// <html>, a blank line, <head>, the GENERATOR meta tag, <title>, headExtra as
// given, </head>, a blank line, <body>.
bool BeginPage(std::FILE* file, const std::string& title, const std::string& headExtra);
bool EndPage(std::FILE* file);
bool BeginTable(std::FILE* file, int border, int cellPadding, int cellSpacing, const std::string& width);
bool EndTable(std::FILE* file);
bool BeginFont(std::FILE* file, const std::string& name, const std::string& size);
bool EndFont(std::FILE* file);

// The name a browser knows for a Windows ANSI code page ("windows-1252",
// "shift_jis", "utf-8"...); empty for one without a well-known name.
std::string CharsetName(unsigned codePage);
// The head line that declares a page's character set:
// <meta http-equiv="Content-Type" content="text/html; charset=NAME> and CR LF;
// empty when the code page has no well-known name.
std::string CharsetMetaText(unsigned codePage);

// Text made safe to stand in HTML as element content or inside a quoted
// attribute value: "&", "<", ">", '"' and "'" become character references.
std::string EscapeText(const std::string& text);
// The same fragments as text, for writers that build a whole file in memory
// before it replaces the old one.
std::string BeginPageText(const std::string& title, const std::string& headExtra);
std::string EndPageText();
std::string BeginTableText(int border, int cellPadding, int cellSpacing, const std::string& width);
std::string EndTableText();
std::string BeginFontText(const std::string& name, const std::string& size);
std::string EndFontText();

}  // namespace HtmlWriter
