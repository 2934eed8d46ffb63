// A function's first sample in the function table, argument `position`: the
// face tests check Recode and Decode on the table's samples (each undoes the
// other), so that the worked example stands in one place.
#pragma once

#include <cstdlib>
#include <string_view>

#include "module/function_table.h"

namespace karvelin::test {
inline const char* TableSample(std::string_view function, std::size_t position) {
    for (const table::Samples& row : table::kSamples)
        if (function == row.name) return row.samples[0].arguments[position];
    std::abort();  // no such function
}
}  // namespace karvelin::test
