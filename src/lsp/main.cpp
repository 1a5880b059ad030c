// kj-lsp: the language server of Kj, for editors that speak the Language
// Server Protocol over standard input and output.
//
//   kj-lsp            serve one editor until it says exit
//   kj-lsp --version
//
// Messages are JSON-RPC with Content-Length headers on standard input and
// output. The library only compiles here, never runs a program; whatever it
// would print goes to standard error, so that standard output carries the
// protocol alone.
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include <kj80x.h>

#include "json_rpc.h"
#include "server.h"

namespace {

void discard(const char*) {}
void no_exit(int) {}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("kj-lsp 8.00");
        return 0;
    }
    if (argc > 1) {
        std::fputs("usage: kj-lsp   (speaks the Language Server Protocol on standard input and output)\n", stderr);
        return 2;
    }
    // The protocol gets its own copy of standard output; descriptor 1 then
    // points at standard error for anything else that writes there.
    const int protocol_fd = dup(STDOUT_FILENO);
    std::FILE* protocol = protocol_fd >= 0 ? fdopen(protocol_fd, "wb") : nullptr;
    if (!protocol || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::perror("kj-lsp");
        return 1;
    }
    if (!KjMainInit()) {
        std::fputs("kj-lsp: the Kj library could not start\n", stderr);
        return 1;
    }
    SetKjMessage(discard);
    SetKjRunMessage(discard);
    SetKjPuts(discard);
    SetKjExit(no_exit);
    kj::lsp::Channel channel(stdin, protocol);
    kj::lsp::Server server(channel);
    const int status = server.run();
    KjMainExit();
    return status;
}
