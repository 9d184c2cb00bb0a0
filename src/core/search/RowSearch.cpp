#include "core/search/RowSearch.h"

#include <algorithm>

namespace core {

namespace {

struct Stopped {};

// The keys from the count-th on (0-based) up to, not including, the end-th.
KeySet slice(const KeySet& keys, int begin, int end)
{
    KeySet out;
    int seen = 0;
    for (const KeyRange& range : keys) {
        const int size = range.last - range.first + 1;
        const int from = std::max(begin - seen, 0);
        const int to = std::min(end - seen, size);
        if (from < to)
            out.push_back({range.first + from, range.first + to - 1});
        seen += size;
    }
    return out;
}

int at(const KeySet& keys, int index)
{
    return slice(keys, index, index + 1).front().first;
}

KeySet united(KeySet keys, int position)
{
    keys.push_back({position, position});
    std::sort(keys.begin(), keys.end(), [](const KeyRange& a, const KeyRange& b) { return a.first < b.first; });
    return keys;
}

}  // namespace

KeySet without(const KeySet& keys, const std::vector<Culprit>& culprits)
{
    KeySet out;
    for (const KeyRange& range : keys) {
        for (const KeyRange& kept : allBut(range.last + 1, culprits)) {
            const KeyRange part{std::max(kept.first, range.first), std::min(kept.last, range.last)};
            if (part.first <= part.last)
                out.push_back(part);
        }
    }
    return out;
}

KeySet allBut(int count, const std::vector<Culprit>& culprits)
{
    std::vector<int> out;
    for (const Culprit& culprit : culprits)
        out.insert(out.end(), culprit.begin(), culprit.end());
    std::sort(out.begin(), out.end());
    KeySet keys;
    int next = 0;
    for (const int position : out) {
        if (position > next)
            keys.push_back({next, position - 1});
        next = std::max(next, position + 1);
    }
    if (next < count)
        keys.push_back({next, count - 1});
    return keys;
}

namespace {

class Search {
public:
    Search(const std::function<bool(const KeySet&)>& fails, int rowLimit, int tryLimit,
           const std::function<bool()>& outOfTime)
        : m_fails(fails), m_outOfTime(outOfTime), m_rowLimit(rowLimit), m_tryLimit(tryLimit)
    {
    }

    SearchResult run(const KeySet& among)
    {
        SearchResult result;
        try {
            KeySet remaining = among;
            while (!remaining.empty() && fails(remaining)) {
                const std::size_t before = m_culprits.size();
                narrow(remaining, true);
                // Nothing alone: two that fail only together.
                if (m_culprits.size() == before)
                    pair(remaining);
                if (m_culprits.size() == before || m_unresolved)
                    throw Stopped{};
                remaining = without(among, m_culprits);
            }
            result.complete = true;
        } catch (const Stopped&) {
        }
        result.culprits = m_culprits;
        result.limited = m_limited;
        return result;
    }

private:
    bool fails(const KeySet& keys)
    {
        if (m_tries >= m_tryLimit || m_rows >= m_rowLimit || (m_outOfTime && m_outOfTime())) {
            m_limited = true;
            throw Stopped{};
        }
        ++m_tries;
        return m_fails(keys);
    }

    void found(Culprit culprit)
    {
        m_rows += int(culprit.size());
        m_culprits.push_back(std::move(culprit));
    }

    // keys fail, or are taken to fail because the keys beside them did not
    // (tested false): finds what fails in them, alone or in pairs. Each try
    // costs the step's emptying of its tables whatever its size, so halves
    // are tried, and the second is not tried when the first went through.
    void narrow(const KeySet& keys, bool tested)
    {
        const int count = keyCount(keys);
        if (count == 1) {
            if (tested || fails(keys))
                found({keys.front().first});
            return;
        }
        const KeySet first = slice(keys, 0, count / 2);
        const KeySet second = slice(keys, count / 2, count);
        if (fails(first)) {
            narrow(first, true);
            if (fails(second))
                narrow(second, true);
        } else if (tested) {
            narrow(second, false);
        } else if (fails(second)) {
            narrow(second, true);
        }
    }

    // keys fail, yet no part of them alone does: two of them fail together.
    void pair(const KeySet& keys)
    {
        // The shortest failing beginning ends with the second of the two.
        int passes = 1;
        int failing = keyCount(keys);
        while (passes + 1 < failing) {
            const int middle = (passes + failing) / 2;
            (fails(slice(keys, 0, middle)) ? failing : passes) = middle;
        }
        const int second = at(keys, failing - 1);
        // With it, the shortest failing end of what comes before starts with the first.
        const KeySet before = slice(keys, 0, failing - 1);
        int fromFailing = 0;
        int fromPassing = keyCount(before);
        while (fromFailing + 1 < fromPassing) {
            const int middle = (fromFailing + fromPassing) / 2;
            (fails(united(slice(before, middle, keyCount(before)), second)) ? fromFailing : fromPassing) = middle;
        }
        const int first = at(before, fromFailing);
        if (!fails({{first, first}, {second, second}})) {
            m_unresolved = true;
            return;
        }
        found({first, second});
    }

    const std::function<bool(const KeySet&)>& m_fails;
    const std::function<bool()>& m_outOfTime;
    const int m_rowLimit;
    const int m_tryLimit;
    int m_tries = 0;
    int m_rows = 0;
    bool m_unresolved = false;
    bool m_limited = false;
    std::vector<Culprit> m_culprits;
};

}  // namespace

int keyCount(const KeySet& keys)
{
    int count = 0;
    for (const KeyRange& range : keys)
        count += range.last - range.first + 1;
    return count;
}

SearchResult findFailingKeys(int keyCount, const std::function<bool(const KeySet&)>& fails, int rowLimit, int tryLimit,
                             const std::function<bool()>& outOfTime)
{
    if (keyCount <= 0)
        return {{}, true};
    return findFailingKeys(KeySet{{0, keyCount - 1}}, fails, rowLimit, tryLimit, outOfTime);
}

SearchResult findFailingKeys(const KeySet& among, const std::function<bool(const KeySet&)>& fails, int rowLimit,
                             int tryLimit, const std::function<bool()>& outOfTime)
{
    return Search(fails, rowLimit, tryLimit, outOfTime).run(among);
}

}  // namespace core
