// Streaming XML reading (expat) for the parts of workbook files: element
// starts and ends with local names (namespace prefixes dropped) and text.
#pragma once

#include <string>
#include <string_view>

namespace kj::data {

class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    // attributes: name, value pairs ending with a null name.
    virtual void start(std::string_view name, const char** attributes) = 0;
    virtual void end(std::string_view name) = 0;
    virtual void text(std::string_view) {}
    // A handler may stop the parse early with a reason of its own.
    std::string stop_reason;
};

// Parses bytes, calling handler; returns "" or the reason it failed (an XML
// error with its line, or the handler's stop reason). With progress, the
// part read is reported to the progress meter in use (data/progress.h).
std::string parse_xml(const std::string& bytes, XmlHandler& handler, bool progress = false);

// The value of attribute name ("" when absent).
std::string_view xml_attribute(const char** attributes, std::string_view name);

}  // namespace kj::data
