// Function names as the caller types them: matched without case, and the
// closest ones suggested for a name that matches none.
#include <algorithm>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "tools/call.h"

namespace karvelin::program {
namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Edits (insertions, deletions, replacements) from one text to the other.
std::size_t Distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

const Command* FindCommand(const std::string& name) {
    const std::string lower = Lower(name);
    for (const Command& command : Commands())
        if (lower == Lower(command.name)) return &command;
    return nullptr;
}

// A candidate is close when a third of its letters or fewer differ, or when
// it holds the name (three letters or more) whole.
std::vector<std::string> Suggestions(const std::string& name, const std::vector<std::string>& candidates) {
    const std::string lower = Lower(name);
    std::vector<std::pair<std::size_t, std::string>> close;
    for (const std::string& candidate : candidates) {
        const std::string folded = Lower(candidate);
        const std::size_t distance = Distance(lower, folded);
        if (distance * 3 <= folded.size() || (lower.size() >= 3 && folded.find(lower) != std::string::npos))
            close.emplace_back(distance, candidate);
    }
    std::stable_sort(close.begin(), close.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> names;
    for (std::size_t i = 0; i < close.size() && i < 3; ++i) names.push_back(close[i].second);
    return names;
}

}  // namespace karvelin::program
