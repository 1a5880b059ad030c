// The layout settings of graphs for hosts: copies to keep and hand back,
// and the listing of the settings as a script.
#include <kj80x.h>

#include <new>

#include "graphics/graph.h"
#include "graphics/layout_listing.h"

struct KjDrawSettings {
    kj::graphics::LayoutSettings settings;
};

extern "C" {

KjDrawSettings* KjDrawSettingsCopy(void) { return new (std::nothrow) KjDrawSettings{kj::graphics::settings()}; }

void KjDrawSettingsRestore(const KjDrawSettings* record) {
    if (record) kj::graphics::settings() = record->settings;
}

void KjDrawSettingsFree(KjDrawSettings* record) { delete record; }

void KjDrawSettingsList(int layout, int lines, int palette, const KjDrawSettings* record) {
    namespace kg = kj::graphics;
    if (lines < kg::LIST_NoLines || lines > kg::LIST_AllLines) lines = kg::LIST_NoLines;
    // A record is listed as the current settings for the time of the
    // listing; the settings in force are put back afterwards.
    const kg::LayoutSettings current = kg::settings();
    if (record) kg::settings() = record->settings;
    try {
        kg::print_layout_listing(nullptr, layout == 1, lines, palette == 1);
    } catch (...) {  // out of memory for the text: nothing is listed
    }
    kg::settings() = current;
}

}  // extern "C"
