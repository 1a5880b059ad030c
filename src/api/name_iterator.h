// The state behind an exported iterator over names (SKjCompletionName,
// SKjApropos): a call with state 0 fills the list, every call hands out the
// next name, which the iterator holds until the next call, or null at the end.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kj::api {

class NameIterator {
public:
    void start(std::vector<std::string> names) {
        m_names = std::move(names);
        m_next = 0;
    }
    const char* next() {
        if (m_next >= m_names.size()) return nullptr;
        m_current = m_names[m_next++];
        return m_current.c_str();
    }

private:
    std::vector<std::string> m_names;
    std::size_t m_next = 0;
    std::string m_current;
};

}  // namespace kj::api
