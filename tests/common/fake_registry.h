// A registry a test arranges: texts and numbers by "key path\value name".
// Records every read.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/registry_platform.h"

namespace karvelin::test {

struct FakeRegistry final : RegistryPlatform {
    std::map<std::string, std::string> texts;
    std::map<std::string, std::uint32_t> numbers;
    std::vector<std::string> reads;

    std::optional<std::string> ReadText(const char* key_path, const char* name, SystemError* error) override {
        return Find(texts, std::string(key_path) + "\\" + name, error);
    }
    std::optional<std::uint32_t> ReadNumber(const char* key_path, const char* name, SystemError* error) override {
        return Find(numbers, std::string(key_path) + "\\" + name, error);
    }
    // A value not arranged is not found: error 2 on both systems.
    template <typename T>
    std::optional<T> Find(const std::map<std::string, T>& values, const std::string& path, SystemError* error) {
        reads.push_back(path);
        const auto found = values.find(path);
        if (found == values.end() && error) *error = 2;
        return found == values.end() ? std::nullopt : std::optional<T>(found->second);
    }
};

}  // namespace karvelin::test
