// The detail page's filling and its web-site link, and the export writers,
// on random values: a page holds no markup but its template's own, and a
// reader of each export format gets the same cells back.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "Fuzz.h"
#include "progdb/XmlDocument.h"
#include "reports/DetailPage.h"
#include "reports/HtmlSupportFiles.h"
#include "reports/ListExport.h"
#include "resource.h"

namespace {

// Values with markup, quotes, placeholders, addresses and high bytes.
const std::vector<std::string> kValueTokens = {
    "<", ">", "\"", "'", "&", "&amp;", "<script>", "</td>", "%APP_TITLE%", "%WEBSITE%", "%MODULE_TABLE%", "%",
    "href=\"", "javascript:", "http://", "https://", "www.", ".com", ":8080", "/", "?", "#", "@", " ", "\t", "\r\n",
    "\xE9", "\x80", "\xFF", std::string(1, '\0')};

size_t Count(const std::string& text, char c) {
    size_t n = 0;
    for (char t : text) n += t == c;
    return n;
}

DetailValues ValuesOf(const std::vector<std::string>& f) {
    DetailValues v;
    v.title = f[0];
    v.company = f[1];
    v.version = f[2];
    v.rating = f[3];
    v.description = f[4];
    v.path = f[5];
    v.fileName = f[6];
    v.commandLine = f[7];
    v.webSite = f[8];
    return v;
}

TEST(FuzzReports, ADetailPageHoldsNoMarkupButItsTemplatesOwn) {
    const UINT templates[] = {IDR_HTML_DETAIL_TASKS, IDR_HTML_DETAIL_APPLICATIONS, IDR_HTML_DETAIL_SERVICES,
                              IDR_HTML_DETAIL_DRIVERS, IDR_HTML_DETAIL_SYSTEM, IDR_HTML_DETAIL_BLANK};
    std::vector<std::string> pages;
    for (UINT id : templates) {
        pages.push_back(LoadHtmlResource(id));
        ASSERT_FALSE(pages.back().empty()) << id;
    }
    fuzz::Target target;
    target.name = "detail-template";
    target.seeds = {fuzz::JoinFields({"Sample Tool", "Sample Makers", "1.0", "Normal.", "Does samples.",
                                      "C:\\Tools\\sample.exe", "sample.exe", "C:\\Tools\\sample.exe /quiet",
                                      "http://www.example.com/", "kernel32.dll", "6.1", "1/2/2020", "1,024"}),
                    fuzz::JoinFields({"<b>x</b>", "A & B \"C\"", "", "", "%APP_FILEPATH%", "", "a'b.exe", "",
                                      "javascript:alert(1)", "<td>", "", "", ""}),
                    fuzz::JoinFields({"", "", "", "", "", "", "", "", "www.example.com:8080/a?b=c#d"})};
    target.dictionary = kValueTokens;
    fuzz::Run(target, [&](const std::string& input, fuzz::Rng& rng) {
        std::vector<std::string> f = fuzz::Fields(input);
        f.resize(9);
        const DetailValues values = [&] {
            DetailValues v = ValuesOf(f);
            std::vector<ModuleEntry> modules;
            for (size_t i = 9; i + 4 <= f.size(); i += 4) modules.push_back({f[i], f[i + 1], f[i + 2], f[i + 3]});
            v.moduleRows = ModuleTableRows(modules);
            return v;
        }();
        // The same page from plain values: one word each, the module table
        // with as many rows, the web site in the same one of its three forms.
        DetailValues plain = ValuesOf(std::vector<std::string>(9, "x"));
        plain.moduleRows = ModuleTableRows(std::vector<ModuleEntry>((f.size() - 9) / 4, ModuleEntry{"x", "x", "x", "x"}));
        plain.webSite = values.webSite.empty() ? "" : WebSiteLink(values.webSite).empty() ? "not a link" : "x.example";

        const std::string& html = pages[rng.Below(pages.size())];
        const std::string page = FillDetailTemplate(html, values);
        const std::string expected = FillDetailTemplate(html, plain);
        for (char c : {'<', '>', '"', '\''}) EXPECT_EQ(Count(expected, c), Count(page, c)) << "'" << c << "'";

        // Every link is a plain web address: its value has no white space
        // and starts with the web's schemes.
        for (size_t at = page.find("href=\""); at != std::string::npos; at = page.find("href=\"", at + 1)) {
            const size_t begin = at + 6, end = page.find('"', begin);
            ASSERT_NE(std::string::npos, end);
            const std::string link = page.substr(begin, end - begin);
            std::string scheme = link.substr(0, link.find("://") + 3);
            for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_TRUE(scheme == "http://" || scheme == "https://") << link;
            for (char c : link) EXPECT_GT(static_cast<unsigned char>(c), 0x20) << link;
        }

        // A link the rule accepts is accepted again as it is.
        const std::string link = WebSiteLink(values.webSite);
        if (!link.empty()) {
            EXPECT_EQ(link, WebSiteLink(link));
        }
    });
}

// ---- The export formats, read back ------------------------------------------

using Rows = std::vector<std::vector<std::string>>;

// The table the export writes: a header row and the item rows, every row as
// wide as the header.
struct Table {
    MemoryTable memory;
    Rows cells;  // the header row first
};

Table MakeTable(const std::vector<std::string>& fields, size_t columns, fuzz::Rng& rng) {
    static const char* kAlignments[] = {"", "center", "right"};
    Table t;
    std::vector<TableColumn> cols;
    for (size_t c = 0; c < columns; ++c)
        cols.push_back({c < fields.size() ? fields[c] : "", kAlignments[rng.Below(3)], 100});
    Rows rows;
    for (size_t at = columns; at < fields.size(); at += columns)
        rows.push_back(std::vector<std::string>(fields.begin() + at, fields.begin() + std::min(fields.size(), at + columns)));
    for (auto& row : rows) row.resize(columns);
    t.memory = MemoryTable(cols, rows);
    t.cells.push_back({});
    for (size_t c = 0; c < columns; ++c) t.cells[0].push_back(t.memory.CellText(-1, static_cast<int>(c)));
    for (const auto& row : rows) t.cells.push_back(row);
    return t;
}

// A strict reader of the CSV the export writes: every cell in quotes.
bool ReadCsv(const std::string& text, Rows& rows) {
    rows.assign(1, {});
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '"') return false;
        std::string cell;
        for (++i;; ++i) {
            if (i >= text.size()) return false;
            if (text[i] == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    cell += '"';
                    ++i;
                    continue;
                }
                ++i;
                break;
            }
            cell += text[i];
        }
        rows.back().push_back(cell);
        if (text.compare(i, 1, ",") == 0) {
            ++i;
        } else if (text.compare(i, 2, "\r\n") == 0) {
            i += 2;
            if (i < text.size()) rows.push_back({});
        } else {
            return false;
        }
    }
    return true;
}

Rows ReadTabs(const std::string& text) {
    Rows rows;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find("\r\n", start);
        const std::string line = text.substr(start, end - start);
        rows.push_back({});
        for (size_t cell = 0;;) {
            const size_t tab = line.find('\t', cell);
            rows.back().push_back(line.substr(cell, tab - cell));
            if (tab == std::string::npos) break;
            cell = tab + 1;
        }
        start = end == std::string::npos ? text.size() : end + 2;
    }
    return rows;
}

std::string UnescapeHtml(const std::string& text) {
    static const std::pair<const char*, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        bool entity = false;
        for (const auto& e : kEntities) {
            if (text.compare(i, std::strlen(e.first), e.first) == 0) {
                out += e.second;
                i += std::strlen(e.first) - 1;
                entity = true;
                break;
            }
        }
        if (!entity) out += text[i];
    }
    return out;
}

// The cells of the exported page's table rows; the header's inside <b>.
Rows ReadHtmlTable(const std::string& page) {
    Rows rows;
    for (size_t tr = page.find("<tr"); tr != std::string::npos; tr = page.find("<tr", tr + 1)) {
        const size_t rowEnd = page.find("</tr>", tr);
        rows.push_back({});
        for (size_t td = page.find("<td", tr); td != std::string::npos && td < rowEnd; td = page.find("<td", td + 1)) {
            const size_t begin = page.find('>', td) + 1, end = page.find("</td>", begin);
            std::string cell = page.substr(begin, end - begin);
            if (rows.size() == 1 && cell.size() >= 7) cell = cell.substr(3, cell.size() - 7);  // <b>...</b>
            rows.back().push_back(UnescapeHtml(cell));
        }
    }
    return rows;
}

std::string Flattened(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return text;
}

TEST(FuzzReports, EachExportFormatReadsBackAsTheSameCells) {
    fuzz::Target target;
    target.name = "list-export";
    target.seeds = {fuzz::JoinFields({"Filename", "CPU Usage", "Window/Title", "a,b.exe", "1.5%", "Say \"hi\", then go",
                                      "<b>&amp;", "10", "x < y"}),
                    fuzz::JoinFields({"1st", "", "caf\xE9", "=SUM(A1)", "line\r\nbreak\ttab", " padded "}),
                    fuzz::JoinFields({std::string(300, 'h'), "one"})};
    target.dictionary = kValueTokens;
    for (const char* token : {",", "\"\"", ";", "\n", "\r", "=", "+", "-", "@", "1", "]]>"}) target.dictionary.push_back(token);
    fuzz::Run(target, [](const std::string& input, fuzz::Rng& rng) {
        const Table t = MakeTable(fuzz::Fields(input), 1 + rng.Below(4), rng);
        const size_t columns = t.cells[0].size();

        Rows csv;
        ASSERT_TRUE(ReadCsv(DelimitedText(t.memory, ",", true), csv));
        ASSERT_EQ(t.cells.size(), csv.size());
        for (size_t r = 0; r < csv.size(); ++r) {
            ASSERT_EQ(columns, csv[r].size());
            for (size_t c = 0; c < columns; ++c) {
                // A cell a spreadsheet would take for a formula may be sent
                // with an apostrophe in front.
                const std::string& cell = t.cells[r][c];
                if (csv[r][c] == cell) continue;
                EXPECT_TRUE(!cell.empty() && std::string("=+-@\t\r").find(cell[0]) != std::string::npos) << cell;
                EXPECT_EQ("'" + cell, csv[r][c]) << "row " << r << " column " << c;
            }
        }

        Rows tabs = ReadTabs(DelimitedText(t.memory, "\t", false));
        ASSERT_EQ(t.cells.size(), tabs.size());
        for (size_t r = 0; r < tabs.size(); ++r) {
            ASSERT_EQ(columns, tabs[r].size()) << "row " << r;
            for (size_t c = 0; c < columns; ++c) EXPECT_EQ(Flattened(t.cells[r][c]), tabs[r][c]);
        }

        const std::string title = input.substr(0, rng.Below(40));
        const std::string page = HtmlText(t.memory, title);
        EXPECT_EQ(t.cells, ReadHtmlTable(page));
        const size_t titleAt = page.find("<title>") + 7;
        EXPECT_EQ(title, UnescapeHtml(page.substr(titleAt, page.find("</title>") - titleAt)));
    });
}

TEST(FuzzReports, TheXmlExportIsWellFormedAndReadsBack) {
    fuzz::Target target;
    target.name = "list-export-xml";
    target.seeds = {fuzz::JoinFields({"Filename", "CPU Usage", "Window/Title", "a,b.exe", "1.5%", "x < y & z"}),
                    fuzz::JoinFields({"1st", "", "-a.b", "x", "y", "z"})};
    target.dictionary = kValueTokens;
    for (const char* token : {"xml", ":", ".", "-", "1", "]]>", "&#13;", "\x01"}) target.dictionary.push_back(token);
    fuzz::Run(target, [](const std::string& input, fuzz::Rng& rng) {
        // The export declares its code page, so every character of it reads
        // back as itself; white space at the ends of a cell is not marked to
        // be kept (a reader trims it), so the cells here have none.
        std::vector<std::string> fields = fuzz::Fields(input);
        for (size_t i = 0; i < fields.size(); ++i) {
            const std::string storable = fuzz::XmlStorable(fields[i]);
            const size_t first = storable.find_first_not_of(" \t\r\n");
            fields[i] = first == std::string::npos
                            ? ""
                            : storable.substr(first, storable.find_last_not_of(" \t\r\n") - first + 1);
        }
        const Table t = MakeTable(fields, 1 + rng.Below(4), rng);
        XmlDocument doc;
        ASSERT_TRUE(doc.Parse(XmlText(t.memory))) << XmlText(t.memory);
        const XmlNode* scpd = nullptr;
        ASSERT_GE(doc.Root().FindChild("scpd", scpd), 0);
        std::vector<const XmlNode*> entries;
        scpd->FindChildren("entry", entries);
        ASSERT_EQ(t.cells.size() - 1, entries.size());
        for (size_t r = 0; r < entries.size(); ++r) {
            ASSERT_EQ(t.cells[0].size(), entries[r]->children.size());
            for (size_t c = 0; c < t.cells[0].size(); ++c) {
                EXPECT_EQ(XmlElementName(t.cells[0][c]), entries[r]->children[c].name);
                EXPECT_EQ(t.cells[r + 1][c], entries[r]->children[c].text);
            }
        }
    });
}

}  // namespace
