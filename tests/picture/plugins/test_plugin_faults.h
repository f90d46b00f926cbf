/* What both kinds of test plug-in share: the call that fails on purpose, and the log. */
#ifndef TEST_PLUGIN_FAULTS_H
#define TEST_PLUGIN_FAULTS_H

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

/* TEST_CRASH_IN / TEST_HANG_IN name the call that crashes or never returns. */
enum { IN_INFO = 1, IN_SUPPORTED, IN_PICTURE_INFO, IN_PICTURE, IN_EXECUTE, IN_SETTING };

static void fault(int where) {
    (void)where;
#ifdef TEST_CRASH_IN
    if (where == TEST_CRASH_IN)
        *(volatile int*)0 = 1;
#endif
#ifdef TEST_HANG_IN
    if (where == TEST_HANG_IN) {
        for (;;)
            pause();
    }
#endif
}

/* Appends "TEST_NAME:line" to the file the variable `log_variable` names, when it is set. */
static void append_log(const char* log_variable, const char* line) {
    const char* path = getenv(log_variable);
    if (!path)
        return;
    FILE* f = fopen(path, "a");
    if (!f)
        return;
    fprintf(f, "%s:%s\n", TEST_NAME, line);
    fclose(f);
}

#endif
