// The language server: open documents, their checks, and the answers to the
// requests an editor sends (diagnostics, completion, hover, definition,
// document symbols).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "json_rpc.h"
#include "source_check.h"
#include "source_text.h"

namespace kj::lsp {

class Server {
public:
    explicit Server(Channel& channel) : m_channel(channel) {}
    // Serves until "exit" or the end of input; the process's exit status:
    // 0 after a shutdown request, 1 otherwise.
    int run();

private:
    struct Document {
        std::string uri, path;
        SourceText text;
        CheckResult result;
        bool checked = false;
    };

    void handle(const Json& message);
    Json dispatch(const std::string& method, const Json& params);
    void notify(const std::string& method, const Json& params);

    Json initialize(const Json& params);
    void open(const Json& params);
    void change(const Json& params);
    void close(const Json& params);
    Json completion(const Json& params);
    Json hover(const Json& params);
    Json definition(const Json& params);
    Json document_symbols(const Json& params);

    // The document of a request, checked so that the library holds its
    // program; null for a document that is not open.
    Document* checked_document(const Json& params);
    // The name at the request's position in its document (checked); empty
    // when there is none or the document is not open.
    SourceText::Word word_at_position(const Json& params, Document*& d);
    void check(Document& d);
    void publish_diagnostics(const Document& d);
    const std::vector<Declaration>& workspace_declarations();
    Json location(const Declaration& d) const;

    Channel& m_channel;
    std::map<std::string, Document> m_documents;  // by URI
    std::string m_loaded;                         // URI of the document the library holds
    std::string m_root;                           // workspace folder, "" without one
    std::vector<Declaration> m_workspace;
    bool m_workspace_indexed = false;
    bool m_shutdown = false;
    bool m_exit = false;
};

}  // namespace kj::lsp
