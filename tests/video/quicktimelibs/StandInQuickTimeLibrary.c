// A stand-in QuickTime library for the detector's tests, built in four
// variants: complete, without "SetupLogText" (NO_SETUP_LOG_TEXT), without
// "InitializeQT" (NO_INITIALIZE), and with an "InitializeQT" that answers
// INITIALIZE_RESULT. It reports its calls through the log hook; one line
// has "%" in it.
typedef void (*LogTextProc)(const char* text);
static LogTextProc g_log;

#ifndef NO_SETUP_LOG_TEXT
void SetupLogText(LogTextProc log)
{
    g_log = log;
}
#endif

#ifndef NO_INITIALIZE
int InitializeQT(void)
{
    if (g_log)
        g_log("encoder ready: 100% %s %d %n");
    return INITIALIZE_RESULT;
}
#endif

void UninitializeQT(void)
{
    if (g_log)
        g_log("stand-in: UninitializeQT");
}
