#include "eval/spreadsheet_export.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

using vt::eval::Table;

namespace {

Table sample()
{
    Table t;
    t.columns = {"FL_ID", "Location", "meas_value"};
    t.rows.push_back({1, "Bad Lauchstädt", 12.5});
    t.rows.push_back({2, "Müncheberg; Süd", vt::db::Value{}});
    return t;
}

std::string run(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[512];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out;
}

TEST(SpreadsheetExport, WorkbookReadsBackWithHeaderNumbersAndText)
{
    vt::test::TempDir dir;
    const auto path = dir.file("export.xlsx");
    vt::eval::write_xlsx(path, sample());

    // Read the workbook back with python's zipfile: every cell of the first sheet as
    // "ref type value", shared strings resolved.
    const std::string script = dir.file("read.py");
    std::ofstream(script) << R"(import sys, zipfile, re
import xml.etree.ElementTree as ET
ns = {'m': 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'}
z = zipfile.ZipFile(sys.argv[1])
assert z.testzip() is None
strings = []
if 'xl/sharedStrings.xml' in z.namelist():
    for si in ET.fromstring(z.read('xl/sharedStrings.xml')).findall('m:si', ns):
        strings.append(''.join(t.text or '' for t in si.iter('{%s}t' % ns['m'])))
sheet = ET.fromstring(z.read('xl/worksheets/sheet1.xml'))
for c in sheet.iter('{%s}c' % ns['m']):
    v = c.find('m:v', ns)
    t = c.get('t', 'n')
    val = strings[int(v.text)] if t == 's' else v.text
    print(c.get('r'), t, val)
)";
    const std::string out = run("python3 " + script + " " + path);
    EXPECT_EQ(out, "A1 s FL_ID\nB1 s Location\nC1 s meas_value\n"
                   "A2 n 1\nB2 s Bad Lauchstädt\nC2 n 12.5\n"
                   "A3 n 2\nB3 s Müncheberg; Süd\n");
}

TEST(SpreadsheetExport, UnwritablePathIsReported)
{
    EXPECT_THROW(vt::eval::write_xlsx("/nonexistent-folder/x.xlsx", sample()), std::runtime_error);
    EXPECT_THROW(vt::eval::write_text_export("/nonexistent-folder/rux_output.txt", sample()), std::runtime_error);
}

TEST(SpreadsheetExport, TextExportSeparatesValuesWithSemicolons)
{
    vt::test::TempDir dir;
    const auto path = dir.file(vt::eval::kTextExportFile);
    vt::eval::write_text_export(path, sample());
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), "FL_ID; Location; meas_value\n1; Bad Lauchstädt; 12.5\n2; Müncheberg; Süd; \n");
}

} // namespace
