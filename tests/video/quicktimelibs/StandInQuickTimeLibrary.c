/* A stand-in QuickTime library for the detector's tests, built in four
   variants: complete, without "SetupLogText" (NO_SETUP_LOG_TEXT), without
   "InitializeQT" (NO_INITIALIZE), and with an "InitializeQT" that answers
   INITIALIZE_RESULT. Each call is appended to the file named by
   VANTOR_QT_TEST_CALLS; "InitializeQT" logs one line with "%" in it. */
#include <stdio.h>
#include <stdlib.h>

typedef void (*LogTextProc)(const char* text);
static LogTextProc g_log;

static void Record(const char* call)
{
    const char* path = getenv("VANTOR_QT_TEST_CALLS");
    FILE* file = path != NULL ? fopen(path, "a") : NULL;
    if (file != NULL) {
        fprintf(file, "%s;", call);
        fclose(file);
    }
}

#ifndef NO_SETUP_LOG_TEXT
void SetupLogText(LogTextProc log)
{
    Record("SetupLogText");
    g_log = log;
}
#endif

#ifndef NO_INITIALIZE
int InitializeQT(void)
{
    Record("InitializeQT");
    if (g_log != NULL)
        g_log("encoder ready: 100% %s %d %n");
    return INITIALIZE_RESULT;
}
#endif

void UninitializeQT(void)
{
    Record("UninitializeQT");
}
