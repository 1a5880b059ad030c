#include "link/compiler_tables.h"

#include "runtime/settings.h"
#include "link/code_image.h"
#include "link/link_errors.h"
#include "link/literals.h"
#include "link/symbols.h"

namespace kj::link {

void reset_compiler_tables() {
    symbols_reset(runtime::settings().symbol_table_size);
    literals_reset();
    code_reset();
    reset_link_error_count();
}

void free_compiler_tables() {
    symbols_free();
    literals_free();
    code_free();
}

}  // namespace kj::link
