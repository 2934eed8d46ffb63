// Writes the case tables of the native tests to one JSON file, for the Python
// suites to run the same rows through the module. Each text character stands
// for one byte (\u0000 to \u00ff), so a code page 936 name or a text with a
// NUL in it comes back byte for byte; a result code is written by name, as
// {"code": "ERR_..."}, for the suites to look up in result_codes.txt.
// usage: karvelin_case_rows OUTPUT.json
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/dest_dir_cases.h"
#include "module/result_codes.h"
#include "net/address_cases.h"
#include "text/name_cases.h"
#include "text/trim_cases.h"

namespace {

std::string Text(std::string_view text) {
    std::string json = "\"";
    for (const unsigned char byte : text) {
        if (byte == '"' || byte == '\\') {
            json += '\\';
            json += static_cast<char>(byte);
        } else if (byte >= 0x20 && byte < 0x7F) {
            json += static_cast<char>(byte);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            json += escape;
        }
    }
    return json + '"';
}

std::string Text(const char* text) { return text ? Text(std::string_view(text)) : "null"; }

// A value the library does not name is a mistake in a table, not a row.
std::string Code(ResultCode code) {
    const char* name = karvelin::ResultCodeName(code);
    if (!name) throw std::runtime_error("a case table holds the unnamed result code " + std::to_string(code));
    return "{\"code\": " + Text(name) + "}";
}

using Field = std::pair<const char*, std::string>;

struct Table {
    const char* name;
    std::vector<std::string> rows;

    void Row(std::initializer_list<Field> fields) {
        std::string row;
        for (const Field& field : fields) row += (row.empty() ? "{" : ", ") + Text(field.first) + ": " + field.second;
        rows.push_back(row + "}");
    }
};

std::vector<Table> Tables() {
    using namespace karvelin;
    Table address{"address", {}}, net{"net", {}}, trim{"trim", {}}, letterfigure{"letterfigure", {}},
        names{"names", {}}, dest_dir{"dest_dir", {}};
    for (const net::AddressCase& c : net::kAddressCases)
        address.Row({{"text", Text(c.text)}, {"acceptable", std::to_string(c.acceptable)}});
    for (const net::NetCase& c : net::kNetCases)
        net.Row({{"host", Text(c.host)},
                 {"mask", Text(c.mask)},
                 {"network", Text(c.network)},
                 {"other", Text(c.other)},
                 {"expected", Code(c.expected)}});
    for (const text::TrimCase& c : text::kTrimCases)
        trim.Row({{"text", Text(c.text)}, {"after_right", Text(c.after_right)}, {"after_left", Text(c.after_left)}});
    for (const text::LetterfigureCase& c : text::kLetterfigureCases)
        letterfigure.Row({{"text", Text(c.text)}, {"expected", Code(c.expected)}});
    for (const text::NameCase& c : text::kNameCases)
        names.Row({{"name", Text(c.name)},
                   {"single_byte", Code(c.single_byte)},
                   {"code_page_936", Code(c.code_page_936)}});
    for (const files::PathCase& c : files::kPathCases)
        dest_dir.Row({{"path", Text(c.path)}, {"expected", Code(c.expected)}, {"root_asked", Text(c.root_asked)}});
    return {address, net, trim, letterfigure, names, dest_dir};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: karvelin_case_rows OUTPUT.json\n");
        return 2;
    }
    std::string json = "{";
    try {
        for (const Table& table : Tables()) {
            json += (json.size() > 1 ? ",\n" : "\n") + Text(table.name) + ": [";
            for (std::size_t i = 0; i < table.rows.size(); ++i) json += (i ? ",\n  " : "\n  ") + table.rows[i];
            json += "\n]";
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "karvelin_case_rows: %s\n", error.what());
        return 1;
    }
    json += "\n}\n";
    std::ofstream out(argv[1], std::ios::binary);
    out << json;
    out.close();
    if (!out) {
        std::fprintf(stderr, "karvelin_case_rows: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
