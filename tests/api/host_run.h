/* Running a program from its text, as the C host tests do. */
#ifndef KJ_TESTS_API_HOST_RUN_H
#define KJ_TESTS_API_HOST_RUN_H

#include <stdio.h>

#include <kj80x.h>

/* Writes `source` to the file `name` and runs it through KjMainCmd with
 * `switches` before the name, after starting the library afresh (each run
 * of KjMain shuts the runtime down, callbacks included): program output goes
 * to on_puts, messages to on_message unless it is null. KjMainCmd's result,
 * or -100 when the file cannot be written. */
static inline int run_source_file(const char *name, const char *source, const char *switches,
                                  void (*on_puts)(const char *), void (*on_message)(const char *)) {
    char cmd[512];
    FILE *f = fopen(name, "w");
    if (!f) return -100;
    fputs(source, f);
    fclose(f);
    KjMainInit();
    SetKjPipe(0);
    SetKjPuts(on_puts);
    if (on_message) {
        SetKjMessage(on_message);
        SetKjRunMessage(on_message);
    }
    snprintf(cmd, sizeof cmd, "%s %s", switches, name);
    return KjMainCmd(cmd);
}

#endif
