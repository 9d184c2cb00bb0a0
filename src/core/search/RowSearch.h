#pragma once

#include <functional>
#include <vector>

namespace core {

// Positions in a source table's keys, in their order: a set of them as
// ascending, disjoint closed ranges.
struct KeyRange {
    int first;
    int last;
};
using KeySet = std::vector<KeyRange>;

int keyCount(const KeySet& keys);

// Keys that make a statement fail: one alone, or two only together.
using Culprit = std::vector<int>;

// Every position below count but those of the culprits.
KeySet allBut(int count, const std::vector<Culprit>& culprits);
// Every position of keys but those of the culprits.
KeySet without(const KeySet& keys, const std::vector<Culprit>& culprits);

struct SearchResult {
    std::vector<Culprit> culprits;
    // False when the search stopped at a limit, or met rows that fail only in
    // a larger company than two, so more may fail than were found.
    bool complete = false;
    // Whether it stopped at a limit.
    bool limited = false;
};

// Narrows keyCount keys down to those the statement fails on, asking fails()
// about sets of keys. Stops once rowLimit keys are found, after tryLimit
// questions, or once outOfTime() says so. Each culprit is as small as the
// search could make it.
SearchResult findFailingKeys(int keyCount, const std::function<bool(const KeySet&)>& fails, int rowLimit,
                             int tryLimit, const std::function<bool()>& outOfTime = {});
// The same among some of the keys only.
SearchResult findFailingKeys(const KeySet& among, const std::function<bool(const KeySet&)>& fails, int rowLimit,
                             int tryLimit, const std::function<bool()>& outOfTime = {});

}  // namespace core
