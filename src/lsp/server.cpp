#include "server.h"

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string_view>

#include <kj80x.h>

namespace kj::lsp {

namespace {

// JSON-RPC and protocol codes.
constexpr int k_parse_error = -32700;
constexpr int k_invalid_request = -32600;
constexpr int k_method_not_found = -32601;
constexpr int k_server_not_initialized = -32002;
constexpr int k_severity_error = 1, k_severity_warning = 2;
constexpr int k_completion_function = 3, k_completion_field = 5, k_completion_variable = 6,
              k_completion_class = 7, k_completion_method = 2, k_completion_keyword = 14,
              k_completion_constant = 21;
constexpr int k_symbol_class = 5, k_symbol_method = 6, k_symbol_field = 8, k_symbol_function = 12,
              k_symbol_variable = 13, k_symbol_constant = 14;
constexpr std::size_t k_max_completions = 400;
constexpr std::size_t k_max_workspace_files = 400;

constexpr const char* k_keywords[] = {
    "array",  "break",    "case",     "char",   "class",  "const",     "continue",  "decl",    "default",
    "delete", "do",       "double",   "else",   "enum",   "extern",    "for",       "foreach", "goto",
    "if",     "inline",   "int",      "matrix", "namespace", "new",    "operator",  "parallel", "protected",
    "public", "return",   "serial",   "short",  "static", "string",    "struct",    "switch",  "switch_single",
    "this",   "virtual",  "while",
};

Json position_json(int line, int character) { return {{"line", line}, {"character", character}}; }

Json range_json(int line, int start, int end) {
    return {{"start", position_json(line, start)}, {"end", position_json(line, end)}};
}

// The range of a place in text: the name or token when its column is known,
// else the line from its first non-blank character. Lines past the end
// (an unexpected end of file) fall on the last line.
Json range_of(const SourceText& text, int line1, int column, int length) {
    int line = std::max(0, line1 - 1);
    if (line >= text.line_count()) line = std::max(0, text.line_count() - 1);
    const std::string_view l = text.line(line);
    if (column < 0) {
        const std::size_t first = l.find_first_not_of(" \t");
        column = first == std::string_view::npos ? 0 : static_cast<int>(first);
        length = static_cast<int>(l.size()) - column;
    }
    return range_json(line, text.utf16_column(line, column), text.utf16_column(line, column + length));
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string file_name(const std::string& path) { return std::filesystem::path(path).filename().string(); }

int completion_kind(int declaration_kind) {
    switch (declaration_kind) {
        case KJ_DECL_CLASS: return k_completion_class;
        case KJ_DECL_VARIABLE: return k_completion_variable;
        case KJ_DECL_CONSTANT: return k_completion_constant;
        case KJ_DECL_DATA_MEMBER: return k_completion_field;
        case KJ_DECL_MEMBER_FUNCTION: return k_completion_method;
        default: return k_completion_function;
    }
}

int symbol_kind(int declaration_kind) {
    switch (declaration_kind) {
        case KJ_DECL_CLASS: return k_symbol_class;
        case KJ_DECL_VARIABLE: return k_symbol_variable;
        case KJ_DECL_CONSTANT: return k_symbol_constant;
        case KJ_DECL_DATA_MEMBER: return k_symbol_field;
        case KJ_DECL_MEMBER_FUNCTION: return k_symbol_method;
        default: return k_symbol_function;
    }
}

const char* kind_word(int declaration_kind) {
    switch (declaration_kind) {
        case KJ_DECL_CLASS: return "class";
        case KJ_DECL_VARIABLE: return "variable";
        case KJ_DECL_CONSTANT: return "constant";
        case KJ_DECL_DATA_MEMBER: return "data member";
        case KJ_DECL_MEMBER_FUNCTION: return "member function";
        default: return "function";
    }
}

// The reference entry of a built-in function. Libraries built with the
// reference export SKjHelp; one built without it has no help to add.
const char* help_entry(const std::string& name) {
    using HelpFn = const char* (*)(const char*);
    static const auto help = reinterpret_cast<HelpFn>(dlsym(RTLD_DEFAULT, "SKjHelp"));
    return help ? help(name.c_str()) : nullptr;
}

// What hovering over a name shows: its declaration as the compiler knows it
// (or the kind and place of a name without one), then its help entry.
std::string hover_text(const std::string& name, const Declaration* declared) {
    std::string text;
    if (const char* d = SKjDeclaration(name.c_str())) text = std::string("```kj\n") + d + "\n```\n";
    else if (declared) text = std::string("```kj\n") + kind_word(declared->kind) + " " + name + "\n```\n";
    if (declared && !declared->file.empty())
        text += "\n" + std::string(kind_word(declared->kind)) + " declared in " + file_name(declared->file) + ", line " +
                std::to_string(declared->line) + "\n";
    if (const char* help = help_entry(name)) text += std::string("\n---\n\n") + help;
    return text;
}

}  // namespace

int Server::run() {
    while (!m_exit) {
        const std::optional<Json> message = m_channel.read();
        if (!message) break;
        handle(*message);
    }
    return m_shutdown ? 0 : 1;
}

void Server::handle(const Json& message) {
    if (!message.is_object()) {
        m_channel.write({{"jsonrpc", "2.0"}, {"id", nullptr},
                         {"error", {{"code", message.is_null() ? k_parse_error : k_invalid_request},
                                    {"message", "not a JSON-RPC message"}}}});
        return;
    }
    const std::string method = message.value("method", "");
    const Json params = message.contains("params") ? message["params"] : Json::object();
    if (!message.contains("id")) {  // a notification
        if (method == "exit") m_exit = true;
        else if (method == "textDocument/didOpen") open(params);
        else if (method == "textDocument/didChange") change(params);
        else if (method == "textDocument/didClose") close(params);
        else if (method == "textDocument/didSave") m_workspace_indexed = false;
        return;
    }
    Json reply = {{"jsonrpc", "2.0"}, {"id", message["id"]}};
    try {
        if (m_shutdown && method != "exit") {
            reply["error"] = {{"code", k_invalid_request}, {"message", "the server is shutting down"}};
        } else if (method.empty()) {
            reply["error"] = {{"code", k_invalid_request}, {"message", "no method"}};
        } else {
            reply["result"] = dispatch(method, params);
        }
    } catch (const std::out_of_range& e) {
        reply["error"] = {{"code", k_method_not_found}, {"message", e.what()}};
    } catch (const std::exception& e) {
        // A request with parameters of the wrong shape.
        reply["error"] = {{"code", k_invalid_request}, {"message", e.what()}};
    }
    m_channel.write(reply);
}

Json Server::dispatch(const std::string& method, const Json& params) {
    if (method == "initialize") return initialize(params);
    if (method == "shutdown") {
        m_shutdown = true;
        return nullptr;
    }
    if (method == "textDocument/completion") return completion(params);
    if (method == "textDocument/hover") return hover(params);
    if (method == "textDocument/definition") return definition(params);
    if (method == "textDocument/documentSymbol") return document_symbols(params);
    throw std::out_of_range("unknown method " + method);
}

void Server::notify(const std::string& method, const Json& params) {
    m_channel.write({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
}

Json Server::initialize(const Json& params) {
    if (params.contains("rootUri") && params["rootUri"].is_string()) m_root = path_of_uri(params["rootUri"]);
    else if (params.contains("rootPath") && params["rootPath"].is_string()) m_root = params["rootPath"];
    if (params.contains("workspaceFolders") && params["workspaceFolders"].is_array() &&
        !params["workspaceFolders"].empty())
        m_root = path_of_uri(params["workspaceFolders"][0].value("uri", ""));
    return {
        {"capabilities",
         {{"textDocumentSync", {{"openClose", true}, {"change", 1}, {"save", true}}},
          {"completionProvider", {{"triggerCharacters", {".", ">", ":"}}}},
          {"hoverProvider", true},
          {"definitionProvider", true},
          {"documentSymbolProvider", true}}},
        {"serverInfo", {{"name", "kj-lsp"}, {"version", "8.00"}}},
    };
}

void Server::open(const Json& params) {
    const Json& item = params.at("textDocument");
    Document& d = m_documents[item.at("uri")];
    d.uri = item.at("uri");
    d.path = path_of_uri(d.uri);
    d.text = SourceText(item.at("text"));
    check(d);
    publish_diagnostics(d);
}

void Server::change(const Json& params) {
    const auto it = m_documents.find(params.at("textDocument").at("uri"));
    if (it == m_documents.end()) return;
    // Whole-document synchronisation: the last change holds the text.
    const Json& changes = params.at("contentChanges");
    if (!changes.is_array() || changes.empty()) return;
    it->second.text = SourceText(changes.back().at("text"));
    check(it->second);
    publish_diagnostics(it->second);
}

void Server::close(const Json& params) {
    const std::string uri = params.at("textDocument").at("uri");
    m_documents.erase(uri);
    if (m_loaded == uri) m_loaded.clear();
    notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", Json::array()}});
}

void Server::check(Document& d) {
    d.result = check_source(d.path, d.text.text());
    d.checked = true;
    m_loaded = d.uri;
}

Server::Document* Server::checked_document(const Json& params) {
    const auto it = m_documents.find(params.at("textDocument").at("uri"));
    if (it == m_documents.end()) return nullptr;
    if (m_loaded != it->first || !it->second.checked) check(it->second);
    return &it->second;
}

// Messages about the document go to their places; those about a file it
// includes go to the line that includes it (else the first line), naming it.
void Server::publish_diagnostics(const Document& d) {
    Json list = Json::array();
    for (const CheckMessage& m : d.result.messages) {
        Json item = {{"severity", m.kind == KJ_CHECK_WARNING ? k_severity_warning : k_severity_error},
                     {"source", "kj"}};
        if (m.file == d.path || m.file.empty()) {
            item["range"] = range_of(d.text, m.line, m.column, m.length);
            item["message"] = m.text;
        } else {
            int line = 1;
            const std::string name = file_name(m.file);
            for (int i = 0; i < d.text.line_count(); ++i) {
                const std::string_view l = d.text.line(i);
                if (l.find('#') != std::string_view::npos && l.find(name) != std::string_view::npos) {
                    line = i + 1;
                    break;
                }
            }
            item["range"] = range_of(d.text, line, -1, 0);
            item["message"] = name + " (" + std::to_string(m.line) + "): " + m.text;
        }
        list.push_back(item);
    }
    notify("textDocument/publishDiagnostics", {{"uri", d.uri}, {"diagnostics", list}});
}

Json Server::completion(const Json& params) {
    Document* d = checked_document(params);
    if (!d) return Json::array();
    const int line = params.at("position").at("line");
    const int column = d->text.byte_column(line, params.at("position").at("character"));
    const SourceText::Prefix prefix = d->text.prefix_at(line, column);

    std::map<std::string, const Declaration*> declared;
    for (const Declaration& decl : d->result.declarations) declared.emplace(decl.name, &decl);

    Json items = Json::array();
    std::set<std::string> seen;
    auto add = [&](const std::string& label, int kind, const std::string& detail) {
        if (items.size() >= k_max_completions || !seen.insert(label).second) return;
        Json item = {{"label", label}, {"kind", kind}};
        if (!detail.empty()) item["detail"] = detail;
        items.push_back(item);
    };
    // Names the library offers for a prefix: "Class.member" for members.
    auto library_names = [&](const std::string& search, auto&& take) {
        int state = 0;
        for (const char* name = SKjCompletionName(search.c_str(), state); name;
             name = SKjCompletionName(search.c_str(), ++state))
            take(std::string(name));
    };

    if (!prefix.object.empty()) {
        // Members: of the class named, of the class of the member function
        // the cursor is in for "this", else of every class declared.
        std::vector<std::string> classes;
        if (prefix.object == "this") {
            const Declaration* enclosing = nullptr;
            for (const Declaration& decl : d->result.declarations)
                if (decl.file == d->path && decl.kind == KJ_DECL_MEMBER_FUNCTION && decl.defined &&
                    decl.line - 1 <= line && (!enclosing || decl.line > enclosing->line))
                    enclosing = &decl;
            if (enclosing) classes.push_back(qualifier_of(enclosing->name));
        } else if (const auto it = declared.find(prefix.object);
                   it != declared.end() && it->second->kind == KJ_DECL_CLASS) {
            classes.push_back(prefix.object);
        } else {
            for (const Declaration& decl : d->result.declarations)
                if (decl.kind == KJ_DECL_CLASS) classes.push_back(decl.name);
        }
        for (const std::string& cls : classes)
            library_names(cls + "." + prefix.text, [&](const std::string& name) {
                const std::string member = name.substr(cls.size() + 1);
                const auto it = declared.find(cls + "::" + member);
                const int kind = it != declared.end() ? completion_kind(it->second->kind) : k_completion_method;
                add(member, kind, cls);
            });
    } else {
        for (const char* k : k_keywords)
            if (std::string_view(k).starts_with(prefix.text)) add(k, k_completion_keyword, "");
        const bool qualified = prefix.text.find("::") != std::string::npos;
        library_names(prefix.text, [&](const std::string& name) {
            if (!qualified && name.find("::") != std::string::npos) return;
            const auto it = declared.find(name);
            const int kind = it != declared.end() ? completion_kind(it->second->kind) : k_completion_function;
            const char* declaration = kind == k_completion_function ? SKjDeclaration(name.c_str()) : nullptr;
            add(name, kind, declaration ? declaration : "");
        });
    }
    return {{"isIncomplete", items.size() >= k_max_completions}, {"items", items}};
}

SourceText::Word Server::word_at_position(const Json& params, Document*& d) {
    d = checked_document(params);
    if (!d) return {};
    const int line = params.at("position").at("line");
    return d->text.word_at(line, d->text.byte_column(line, params.at("position").at("character")));
}

Json Server::hover(const Json& params) {
    Document* d = nullptr;
    const SourceText::Word word = word_at_position(params, d);
    if (word.text.empty()) return nullptr;
    const int line = word.line;
    const Declaration* declared = nullptr;
    for (const Declaration& decl : d->result.declarations)
        if (decl.name == word.text && (!declared || (decl.defined && !declared->defined))) declared = &decl;
    const std::string text = hover_text(word.text, declared);
    if (text.empty()) return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", text}}},
            {"range", range_json(line, d->text.utf16_column(line, word.start), d->text.utf16_column(line, word.end))}};
}

Json Server::location(const Declaration& decl) const {
    // The place is in the file as it is on disk, or as the editor holds it.
    const std::string uri = uri_of_path(decl.file);
    const auto it = m_documents.find(uri);
    const SourceText text = it != m_documents.end() ? it->second.text : SourceText(read_file(decl.file));
    return {{"uri", uri}, {"range", range_of(text, decl.line, decl.column, decl.length)}};
}

// Definitions of the name under the cursor: functions, classes, globals and
// members declared by the document and what it includes, else anywhere in
// the workspace. A definition with its body wins over a declaration.
Json Server::definition(const Json& params) {
    Document* d = nullptr;
    const SourceText::Word word = word_at_position(params, d);
    if (word.text.empty()) return nullptr;
    // Exact names first; else members of that name in any class.
    auto matches = [&](const std::vector<Declaration>& pool) {
        std::vector<const Declaration*> exact, members;
        for (const Declaration& decl : pool) {
            if (decl.name == word.text) exact.push_back(&decl);
            else if ((decl.kind == KJ_DECL_DATA_MEMBER || decl.kind == KJ_DECL_MEMBER_FUNCTION) &&
                     last_part_of(decl.name) == word.text)
                members.push_back(&decl);
        }
        return exact.empty() ? members : exact;
    };
    auto defined = [](const std::vector<const Declaration*>& found) {
        std::vector<const Declaration*> out;
        for (const Declaration* decl : found)
            if (decl->defined) out.push_back(decl);
        return out;
    };
    std::vector<const Declaration*> found = matches(d->result.declarations);
    if (std::vector<const Declaration*> bodies = defined(found); !bodies.empty()) {
        found = bodies;
    } else if (std::vector<const Declaration*> elsewhere = defined(matches(workspace_declarations()));
               !elsewhere.empty()) {
        found = elsewhere;
    }
    Json out = Json::array();
    std::set<std::pair<std::string, int>> places;
    for (const Declaration* decl : found)
        if (places.insert({decl->file, decl->line}).second) out.push_back(location(*decl));
    return out.empty() ? Json(nullptr) : out;
}

// Declarations of every Kj source of the workspace folder, each checked on
// its own once (again after a save), for definitions the open document does
// not see through its includes.
const std::vector<Declaration>& Server::workspace_declarations() {
    if (m_workspace_indexed) return m_workspace;
    m_workspace_indexed = true;
    m_workspace.clear();
    if (m_root.empty()) return m_workspace;
    std::error_code ec;
    std::size_t files = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(
             m_root, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator() && files < k_max_workspace_files;
         it.increment(ec)) {
        const std::filesystem::path& p = it->path();
        if (it->is_directory(ec) && p.filename().string().starts_with(".")) {
            it.disable_recursion_pending();
            continue;
        }
        const std::string ext = p.extension().string();
        if (!it->is_regular_file(ec) || (ext != ".kj" && ext != ".kjh")) continue;
        ++files;
        const std::string path = p.string();
        const auto open_doc = m_documents.find(uri_of_path(path));
        const CheckResult r = check_source(path, open_doc != m_documents.end() ? open_doc->second.text.text() : read_file(path));
        for (const Declaration& decl : r.declarations)
            if (decl.file == path) m_workspace.push_back(decl);
    }
    m_loaded.clear();  // the library now holds the last file indexed
    return m_workspace;
}

Json Server::document_symbols(const Json& params) {
    Document* d = checked_document(params);
    if (!d) return Json::array();
    Json symbols = Json::array();
    std::map<std::string, std::size_t> classes;  // class name -> index in symbols
    auto symbol = [&](const Declaration& decl, const std::string& name) {
        const Json range = range_of(d->text, decl.line, decl.column, decl.length);
        Json s = {{"name", name}, {"kind", symbol_kind(decl.kind)}, {"selectionRange", range}};
        s["range"] = range_of(d->text, decl.line, -1, 0);
        s["range"]["start"]["character"] = 0;
        if (decl.kind == KJ_DECL_FUNCTION || decl.kind == KJ_DECL_MEMBER_FUNCTION)
            if (const char* text = SKjDeclaration(decl.name.c_str())) s["detail"] = text;
        return s;
    };
    for (const Declaration& decl : d->result.declarations) {
        if (decl.file != d->path) continue;
        const std::string owner = qualifier_of(decl.name);
        const auto cls = classes.find(owner);
        // Members declared inside their class become its children.
        if (cls != classes.end() && (decl.kind == KJ_DECL_DATA_MEMBER || (decl.kind == KJ_DECL_MEMBER_FUNCTION && !decl.defined))) {
            Json& parent = symbols[cls->second];
            parent["children"].push_back(symbol(decl, last_part_of(decl.name)));
            parent["range"]["end"] = range_of(d->text, decl.line, -1, 0)["end"];
            continue;
        }
        if (decl.kind == KJ_DECL_CLASS) {
            classes[decl.name] = symbols.size();
            Json s = symbol(decl, decl.name);
            s["children"] = Json::array();
            symbols.push_back(s);
            continue;
        }
        symbols.push_back(symbol(decl, decl.name));
    }
    return symbols;
}

}  // namespace kj::lsp
