#pragma once

#include "platform/hive/HiveNode.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

using HiveKeyPath = std::vector<std::string>;

// A whole hive file as read: every root named in it with its tree of keys, and what could not be
// read. A damaged document still holds everything that could be read.
class HiveDocument {
public:
    HiveDocument();

    // Splits a key path at "\". A leading or trailing separator is ignored and an empty path gives
    // no components; false for an empty component inside, a name longer than the registry allows,
    // a control character, or more levels than the registry allows.
    static bool SplitPath(std::string_view path, HiveKeyPath& components);

    // The key at components below the root named rootName, or nullptr.
    const HiveNode* FindKey(std::string_view rootName, const HiveKeyPath& components) const;
    HiveNode* FindKey(std::string_view rootName, const HiveKeyPath& components);
    // The key at components, made with every missing key above it. Each key made is listed.
    HiveNode& CreateKey(std::string_view rootName, const HiveKeyPath& components);

    // Holds one child per root.
    const HiveNode& Top() const { return *FTop; }
    HiveNode& Top() { return *FTop; }

    void NoteProblem(size_t line, std::string_view what);
    bool Damaged() const { return FProblemCount > 0; }
    size_t ProblemCount() const { return FProblemCount; }
    // The first few problems, as "line N: what", for messages and tests.
    const std::vector<std::string>& Problems() const { return FProblems; }

private:
    std::unique_ptr<HiveNode> FTop;
    size_t FProblemCount = 0;
    std::vector<std::string> FProblems;
};

} // namespace quorvane
