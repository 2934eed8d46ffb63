// The function table's rows as values (module/function_table.h, which
// includes this header at its end): the names, the faces, the samples and the
// arities, each side table checked against KARVELIN_FUNCTIONS row for row.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <iterator>

#include "function_table.h"

namespace karvelin {

namespace table {

#define KARVELIN_ROW_NAME(name, ...) #name,
inline constexpr const char* kFunctionNames[] = {KARVELIN_FUNCTIONS(KARVELIN_ROW_NAME)};
inline constexpr const char* kNoteNames[] = {KARVELIN_FUNCTION_NOTES(KARVELIN_ROW_NAME)};
inline constexpr const char* kFaceNames[] = {KARVELIN_FUNCTION_FACES(KARVELIN_ROW_NAME)};
#undef KARVELIN_ROW_NAME

constexpr bool SameText(const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

// Whether two lists name the same functions in the same order: a table keyed
// by the function table's rows checks itself with this.
template <std::size_t N, std::size_t M>
constexpr bool SameRows(const char* const (&a)[N], const char* const (&b)[M]) {
    if (N != M) return false;
    for (std::size_t i = 0; i < N; ++i)
        if (!SameText(a[i], b[i])) return false;
    return true;
}

static_assert(SameRows(kFunctionNames, kNoteNames),
              "KARVELIN_FUNCTION_NOTES must name the functions of KARVELIN_FUNCTIONS, in the same order");
static_assert(SameRows(kFunctionNames, kFaceNames),
              "KARVELIN_FUNCTION_FACES must name the functions of KARVELIN_FUNCTIONS, in the same order");

// Each row's faces, by row.
struct Faces {
    const char* package;
    Handling handling;
    ReportSection report;
    const char* label;
};
#define KARVELIN_FACES_ROW(name, package, handling, report, label) \
    Faces{#package, Handling::handling, ReportSection::report, label},
inline constexpr Faces kFaces[] = {KARVELIN_FUNCTION_FACES(KARVELIN_FACES_ROW)};
#undef KARVELIN_FACES_ROW
#define KARVELIN_ROW_EFFECT(name, effect, ...) Effect::effect,
inline constexpr Effect kEffects[] = {KARVELIN_FUNCTION_NOTES(KARVELIN_ROW_EFFECT)};
#undef KARVELIN_ROW_EFFECT

// The report runs no function that changes the host, and shows a function
// under a label only in the sections that have labels.
constexpr bool ReportFits() {
    for (std::size_t row = 0; row < std::size(kFaces); ++row) {
        const ReportSection report = kFaces[row].report;
        if ((report == ReportSection::NotRun) != (kEffects[row] == Effect::ChangesHost)) return false;
        const bool labelled = report == ReportSection::Host || report == ReportSection::Folder;
        if (labelled != (*kFaces[row].label != '\0')) return false;
    }
    return true;
}
static_assert(ReportFits(), "a row's report section must fit its effect and its label");

// The faces of one function, by its name in the table.
constexpr std::size_t RowOf(const char* name) {
    std::size_t row = 0;
    while (row < std::size(kFunctionNames) && !SameText(kFunctionNames[row], name)) ++row;
    return row;
}
constexpr const Faces& FacesOf(const char* name) { return kFaces[RowOf(name)]; }

// The samples, as the compiler reads them.
struct Sample {
    static constexpr std::size_t kMost = 8;
    const char* arguments[kMost] = {};
    std::size_t count = 0;
    constexpr Sample(std::initializer_list<const char*> list) {
        for (const char* argument : list) arguments[count++] = argument;
    }
};
struct Samples {
    static constexpr std::size_t kMost = 4;
    const char* name;
    Sample samples[kMost] = {{}, {}, {}, {}};
    std::size_t count = 0;
    constexpr Samples(const char* function, std::initializer_list<Sample> list) : name(function) {
        for (const Sample& sample : list) samples[count++] = sample;
    }
};
#define KARVELIN_SAMPLES_ROW(name, ...) Samples{#name, {__VA_ARGS__}},
inline constexpr Samples kSamples[] = {KARVELIN_FUNCTION_SAMPLES(KARVELIN_SAMPLES_ROW)};
#undef KARVELIN_SAMPLES_ROW

template <typename Function>
struct Arity;
template <typename R, typename... A>
struct Arity<R(A...)> {
    static constexpr std::size_t value = sizeof...(A);
};
#define KARVELIN_ROW_ARGUMENTS(name, type, arguments, ...) arguments,
inline constexpr const char* kArgumentNames[] = {KARVELIN_FUNCTIONS(KARVELIN_ROW_ARGUMENTS)};
#undef KARVELIN_ROW_ARGUMENTS
#define KARVELIN_ROW_ARITY(name, type, ...) Arity<type>::value,
inline constexpr std::size_t kArities[] = {KARVELIN_FUNCTIONS(KARVELIN_ROW_ARITY)};
#undef KARVELIN_ROW_ARITY

// Every sample passes all of its function's arguments, in texts that the
// build's list can carry.
constexpr bool SamplesFit() {
    for (std::size_t row = 0; row < std::size(kSamples); ++row) {
        if (kSamples[row].count == 0) return false;
        for (std::size_t i = 0; i < kSamples[row].count; ++i) {
            const Sample& sample = kSamples[row].samples[i];
            if (sample.count != kArities[row]) return false;
            for (std::size_t k = 0; k < sample.count; ++k)
                for (const char* c = sample.arguments[k]; *c; ++c)
                    if (*c == '\t' || *c == '\n' || *c == '\r' || *c == '"' || *c == ';' || *c == '[' || *c == ']')
                        return false;
        }
    }
    return true;
}

#define KARVELIN_ROW_NAME(name, ...) #name,
inline constexpr const char* kSampleNames[] = {KARVELIN_FUNCTION_SAMPLES(KARVELIN_ROW_NAME)};
#undef KARVELIN_ROW_NAME
static_assert(SameRows(kFunctionNames, kSampleNames),
              "KARVELIN_FUNCTION_SAMPLES must name the functions of KARVELIN_FUNCTIONS, in the same order");
static_assert(SamplesFit(), "each sample passes all of its function's arguments, in texts samples.txt can carry");

}  // namespace table
}  // namespace karvelin
