#include "data/xml_reader.h"

#include <algorithm>
#include <cstring>
#include <expat.h>

#include "data/progress.h"

namespace kj::data {

namespace {

std::string_view local_name(const char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon ? std::string_view(colon + 1) : std::string_view(name);
}

struct Context {
    XML_Parser parser;
    XmlHandler* handler;
};

void stop_if_asked(Context* c) {
    if (!c->handler->stop_reason.empty()) XML_StopParser(c->parser, XML_FALSE);
}

void XMLCALL on_start(void* data, const char* name, const char** attributes) {
    auto* c = static_cast<Context*>(data);
    c->handler->start(local_name(name), attributes);
    stop_if_asked(c);
}

void XMLCALL on_end(void* data, const char* name) {
    auto* c = static_cast<Context*>(data);
    c->handler->end(local_name(name));
    stop_if_asked(c);
}

void XMLCALL on_text(void* data, const char* s, int len) {
    auto* c = static_cast<Context*>(data);
    c->handler->text(std::string_view(s, static_cast<std::size_t>(len)));
    stop_if_asked(c);
}

}  // namespace

std::string parse_xml(const std::string& bytes, XmlHandler& handler, bool progress) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser) return "out of memory";
    Context c{parser, &handler};
    XML_SetUserData(parser, &c);
    XML_SetElementHandler(parser, on_start, on_end);
    XML_SetCharacterDataHandler(parser, on_text);
    std::string error;
    std::size_t done = 0;
    bool final = false;
    while (!final) {
        const std::size_t n = std::min<std::size_t>(bytes.size() - done, 1 << 20);
        final = done + n == bytes.size();
        if (XML_Parse(parser, bytes.data() + done, static_cast<int>(n), final) != XML_STATUS_OK) {
            if (!handler.stop_reason.empty()) {
                error = handler.stop_reason;
            } else {
                error = std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at line " +
                        std::to_string(XML_GetCurrentLineNumber(parser));
            }
            break;
        }
        done += n;
        if (progress) report_progress(static_cast<double>(done), static_cast<double>(bytes.size()));
    }
    XML_ParserFree(parser);
    return error;
}

std::string_view xml_attribute(const char** attributes, std::string_view name) {
    for (const char** a = attributes; a && a[0]; a += 2)
        if (local_name(a[0]) == name) return a[1];
    return {};
}

}  // namespace kj::data
