#include "tools/report.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "Karvelin.h"
#include "module/result_codes.h"
#include "tools/call.h"
#include "tools/json.h"

namespace karvelin::program {
namespace {

// Where each function shows in the report, and under which label: its row's
// report column in the function table.
ReportSection SectionOf(Row row, const char*& label) {
    const table::Faces& faces = table::kFaces[static_cast<std::size_t>(row)];
    label = faces.label;
    return faces.report;
}

// A sample's arguments, as the program takes them.
std::vector<Args> SamplesOf(Row row) {
    const table::Samples& samples = table::kSamples[static_cast<std::size_t>(row)];
    std::vector<Args> all;
    for (std::size_t i = 0; i < samples.count; ++i)
        all.emplace_back(samples.samples[i].arguments, samples.samples[i].arguments + samples.samples[i].count);
    return all;
}

struct Sample {
    std::string function;
    Args arguments;
    Answer answer;
};
struct Adapter {
    std::string network, mask, address, name, display_name;
};
struct LabelledAnswer {
    std::string label, function;
    Answer answer;
};

struct Report {
    std::vector<LabelledAnswer> host, folders;
    Answer host_addresses_answer, adapters_answer;
    std::vector<std::string> host_addresses;
    std::vector<Adapter> adapters;
    std::vector<Sample> samples;
    std::vector<std::string> not_run;
    // The report's own arguments, refused: a fault of the program, which
    // must not pass for a report with an empty row.
    std::size_t refused = 0;
};

Answer Run(const Command& command, const Args& args, Report& report) {
    Answer answer;
    Refusal refusal;
    if (!command.run(args, answer, refusal)) {
        std::fprintf(stderr, "karvelin: the report's %s call was refused: %s\n", command.name, refusal.why.c_str());
        ++report.refused;
    }
    return answer;
}

Report Gather() {
    Report report;
    for (std::size_t i = 0; i < Commands().size(); ++i) {
        const Command& command = Commands()[i];
        const Row row = static_cast<Row>(i);
        const char* label = "";
        switch (SectionOf(row, label)) {
            case ReportSection::Host:
                report.host.push_back({label, command.name, Run(command, {}, report)});
                break;
            case ReportSection::Folder:
                report.folders.push_back({label, command.name, Run(command, {}, report)});
                break;
            case ReportSection::Samples:
                for (const Args& sample : SamplesOf(row))
                    report.samples.push_back({command.name, sample, Run(command, sample, report)});
                break;
            case ReportSection::HostAddresses:
                report.host_addresses_answer = Run(command, SamplesOf(row)[0], report);
                for (const std::string& record : report.host_addresses_answer.records)
                    report.host_addresses.push_back(record.substr(0, record.find_last_not_of(' ') + 1));
                break;
            case ReportSection::Adapters: {
                report.adapters_answer = Run(command, SamplesOf(row)[0], report);
                const std::vector<std::string>& fields = report.adapters_answer.records;
                for (std::size_t k = 0; k + 5 <= fields.size(); k += 5)
                    report.adapters.push_back({fields[k], fields[k + 1], fields[k + 2], fields[k + 3], fields[k + 4]});
                break;
            }
            case ReportSection::ResultCodes:
                break;  // every code, in its own section
            case ReportSection::NotRun:
                report.not_run.push_back(command.name);
                break;
        }
    }
    return report;
}

// ---- as text ----

// The answer in report columns: a code's name and number, a number, a quoted
// text, or the buffer the function left.
std::vector<std::string> Cells(const Answer& answer) {
    switch (answer.kind) {
        case Answer::kCode:
            return {CodeName(answer.code), std::to_string(answer.code)};
        case Answer::kNumber:
            return {std::to_string(answer.number)};
        case Answer::kText:
            return {answer.null_text ? "(null)" : "\"" + answer.text + "\""};
        case Answer::kNone:
            break;
    }
    if (answer.buffers.empty()) return {""};
    return {"buffer \"" + Shown(answer.buffers[0]) + "\""};
}
std::vector<std::string> WithCells(std::vector<std::string> row, const Answer& answer) {
    for (std::string& cell : Cells(answer)) row.push_back(std::move(cell));
    return row;
}

using Rows = std::vector<std::vector<std::string>>;

// A section: its title, then the rows with their columns aligned.
void PrintSection(const std::string& title, const Rows& rows) {
    std::printf("%s\n", title.c_str());
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (widths.size() <= i) widths.push_back(0);
            if (row[i].size() > widths[i]) widths[i] = row[i].size();
        }
    for (const auto& row : rows) {
        std::string line = " ";
        for (std::size_t i = 0; i < row.size(); ++i)
            line += " " + (i + 1 < row.size() ? row[i] + std::string(widths[i] - row[i].size() + 1, ' ') : row[i]);
        std::printf("%s\n", line.c_str());
    }
    if (rows.empty()) std::printf("  (none)\n");
    std::printf("\n");
}

std::vector<karvelin::CodeName> AllCodes() {
    std::vector<karvelin::CodeName> codes = {{0, "OK"}};
    codes.insert(codes.end(), std::begin(kResultCodeNames), std::end(kResultCodeNames));
    return codes;
}

}  // namespace

bool PrintReport() {
    const Report report = Gather();
    Rows rows;
    for (const LabelledAnswer& entry : report.host) rows.push_back(WithCells({entry.label, entry.function}, entry.answer));
    PrintSection("Host checks", rows);

    rows.clear();
    for (const LabelledAnswer& entry : report.folders) rows.push_back(WithCells({entry.label, entry.function}, entry.answer));
    PrintSection("Folders", rows);

    rows.clear();
    for (const std::string& address : report.host_addresses) rows.push_back({address});
    PrintSection("Host addresses (GetHostIPAddr, answer " + Cells(report.host_addresses_answer)[0] + ")", rows);

    rows = {{"name", "display name", "address", "mask", "network"}};
    for (const Adapter& adapter : report.adapters)
        rows.push_back({adapter.name, adapter.display_name, adapter.address, adapter.mask, adapter.network});
    if (report.adapters.empty()) rows.clear();
    PrintSection("Adapters (GetAddress, " + Cells(report.adapters_answer)[0] + ")", rows);

    rows.clear();
    for (const Sample& sample : report.samples) {
        std::string call = sample.function;
        for (const std::string& arg : sample.arguments) call += " '" + arg + "'";
        rows.push_back(WithCells({call}, sample.answer));
    }
    PrintSection("Samples", rows);

    rows.clear();
    for (const karvelin::CodeName& entry : AllCodes())
        rows.push_back(
            {entry.name, std::to_string(entry.code), "\"" + std::string(GetErrorDescription(entry.code)) + "\""});
    PrintSection("Result codes (GetErrorDescription)", rows);

    rows.clear();
    for (const std::string& name : report.not_run) rows.push_back({name});
    PrintSection("Not run: they change the host", rows);
    return report.refused == 0;
}

bool PrintReportJson() {
    const Report report = Gather();
    auto members = [](const std::vector<LabelledAnswer>& answers) {
        std::string json = "{";
        for (std::size_t i = 0; i < answers.size(); ++i)
            json += (i ? ",\n    " : "\n    ") + Json(answers[i].function) + ": " + JsonAnswer(answers[i].answer);
        return json + "\n  }";
    };
    std::printf("{\n  \"host\": %s,\n", members(report.host).c_str());
    std::printf("  \"folders\": %s,\n", members(report.folders).c_str());
    std::printf("  \"host_addresses\": {\"function\": \"GetHostIPAddr\", \"answer\": %s, \"addresses\": %s},\n",
                JsonAnswer(report.host_addresses_answer).c_str(), JsonList(report.host_addresses, Json).c_str());
    const std::string adapters = JsonList(
        report.adapters,
        [](const Adapter& adapter) {
            return "{\"network\": " + Json(adapter.network) + ", \"mask\": " + Json(adapter.mask) +
                   ", \"address\": " + Json(adapter.address) + ", \"name\": " + Json(adapter.name) +
                   ", \"display_name\": " + Json(adapter.display_name) + "}";
        },
        ",\n      ");
    std::printf("  \"adapters\": {\"function\": \"GetAddress\", \"answer\": %s,\n    \"adapters\": %s},\n",
                JsonAnswer(report.adapters_answer).c_str(), adapters.c_str());
    const std::string samples = JsonList(
        report.samples,
        [](const Sample& sample) {
            std::string json = "{\"function\": " + Json(sample.function) +
                               ", \"arguments\": " + JsonList(sample.arguments, Json) +
                               ", \"answer\": " + JsonAnswer(sample.answer);
            if (!sample.answer.buffers.empty()) json += ", \"buffer\": " + Json(sample.answer.buffers[0]);
            return json + "}";
        },
        ",\n    ");
    std::printf("  \"samples\": %s,\n", samples.c_str());
    const std::string result_codes = JsonList(
        AllCodes(),
        [](const karvelin::CodeName& entry) {
            return "{\"name\": " + Json(entry.name) + ", \"code\": " + std::to_string(entry.code) +
                   ", \"description\": " + Json(GetErrorDescription(entry.code)) + "}";
        },
        ",\n    ");
    std::printf("  \"result_codes\": {\"function\": \"GetErrorDescription\", \"codes\": %s},\n", result_codes.c_str());
    std::printf("  \"not_run\": %s\n}\n", JsonList(report.not_run, Json).c_str());
    return report.refused == 0;
}

}  // namespace karvelin::program
