/* A host that keeps a copy of the graph layout settings, changes the
 * settings through drawing requests, lists the copy and the current ones,
 * and hands the copy back. */
#include <stdlib.h>
#include <string.h>

#include <kj80x.h>

#include "check.h"

static char listing[65536];

static void on_run_message(const char *text) { strncat(listing, text, sizeof listing - strlen(listing) - 1); }

static void set_draw(int option, int a, int b) {
    const int iv[5] = {a, b, 0, 0, 0};
    KjDefaultDraw("SetDrawOptions", 0, NULL, 0, NULL, NULL, 0, NULL, NULL, 0, NULL, option, 0, iv, 5, NULL, 0);
}

static void list(int layout, int lines, int palette, const KjDrawSettings *record) {
    listing[0] = '\0';
    KjDrawSettingsList(layout, lines, palette, record);
}

int main(void) {
    KjDrawSettings *copy;
    CHECK(KjMainInit() == 1);
    SetKjRunMessage(on_run_message);

    set_draw(1, 300, 900); /* the margin takes the larger value */
    set_draw(12, 3, 4);    /* line index 3 gets type 4 */
    copy = KjDrawSettingsCopy();
    CHECK(copy != NULL);
    set_draw(0, 0, 0); /* back to the defaults */

    list(1, 0, 0, copy);
    CHECK(strncmp(listing, "\n// Current layout settings\nsetdraw(\"margin\", 900, 900);\n", 57) == 0);
    CHECK(strstr(listing, "// PostScript:\nsetdraw(\"colormodel\", 3);\n") != NULL);
    CHECK(strstr(listing, "// Current line settings") == NULL);

    list(1, 0, 0, NULL); /* the copy was only lent to the listing */
    CHECK(strstr(listing, "setdraw(\"margin\", 640, 640);\n") != NULL);

    list(0, 2, 0, copy); /* black-and-white lines only */
    CHECK(strncmp(listing, "\n// Current B&W line settings (type, width, on, off)\nsetdraw(\"linebw\", 1, ", 74) == 0);
    CHECK(strstr(listing, "// Current layout settings") == NULL);
    CHECK(strstr(listing, "setdraw(\"line\", ") == NULL);

    list(0, 1, 1, copy); /* colour lines, colours, symbols and the palette */
    CHECK(strstr(listing, "setdraw(\"line\", 3, 4, ") != NULL);
    CHECK(strstr(listing, "\n// Current color settings (red, green, blue)\nsetdraw(\"color\", 1, 0, 0, 0);\n") != NULL);
    CHECK(strstr(listing, "setdraw(\"palette_min\", 7, ") != NULL);
    CHECK(strstr(listing, "linebw") == NULL);

    list(0, 9, 0, NULL); /* an unknown line part lists nothing */
    CHECK(listing[0] == '\0');

    KjDrawSettingsRestore(copy);
    list(1, 0, 0, NULL);
    CHECK(strstr(listing, "setdraw(\"margin\", 900, 900);\n") != NULL);
    KjDrawSettingsRestore(NULL); /* nothing to restore: no change */
    list(1, 0, 0, NULL);
    CHECK(strstr(listing, "setdraw(\"margin\", 900, 900);\n") != NULL);
    KjDrawSettingsFree(copy);
    KjDrawSettingsFree(NULL);

    KjMainExit();
    if (failures) fprintf(stderr, "%d check(s) failed\n", failures);
    return failures != 0;
}
