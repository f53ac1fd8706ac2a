#pragma once

/*
 * libVTQTLibrary.so: the QuickTime library.
 *
 * It writes QuickTime movies (".mov"): H.264 video (libx264) with an
 * optional sound track, MP3 copied from an MP3 file or AAC converted from a
 * sound file. The program loads it only to learn whether QuickTime export
 * is possible (InitializeQT) and to receive its log lines (SetupLogText);
 * the Player engine drives the rest for every exported movie.
 *
 * Every function has C linkage and is exported under the name below; users
 * load the library at run time and look the functions up by name, so the
 * pointer types at the end of this header are the contract. Paths are
 * UTF-8. Functions answering int give non-zero for success and 0 for
 * failure; every failure sends one log line that says why.
 *
 * Life cycle of one export:
 *
 *   InitializeQT()                                  once per process user
 *   movie   = CreateMovieFileQT(path)
 *   session = CreateCompressionSession(movie, width, height, rateNum, rateDen)
 *   SelectCodecParams(&params); ...adjust...; SetCodecParams(session, &params)
 *   MultipassYES(session)                           optional: two passes
 *   AddMP3FileAsTrack(movie, mp3) | ConvertMP3ToAAC(movie, sound, bitRate)   optional
 *   FlattenMovieQT(movie)                           optional: fast start
 *   BeginMediaEditsQT(movie)                        tracks are fixed from here
 *   do {
 *       BeginPassQT(session)
 *       CompressFrame(session, &picture, n) for rising n = 0, 1, 2, 5, 6, ...
 *   } while (AnotherPassRequired(session))
 *   EndMediaEditsQT(movie)
 *   DestroyCompressionSession(session)
 *   CloseMovieFileQT(movie)                         writes the index; frees the movie
 *   UninitializeQT()
 *
 * Only the last pass writes pictures into the movie; earlier passes only
 * gather statistics for it. A movie whose export fails or is cancelled is
 * closed with CloseMovieFileQT all the same (its file is then incomplete;
 * the caller removes it).
 *
 * Threads: different movies may be written on different threads at once;
 * one movie and its session belong to one thread at a time. The log
 * function may be called from any thread that calls the library.
 */

#ifdef __cplusplus
extern "C" {
#endif

/* Receives one log line (UTF-8, no line break); it is text, not a format. */
typedef void (*VTQTLogFunction)(const char* line);

typedef struct VTQTMovie VTQTMovie; /* an open movie file */
typedef struct VTQTSession VTQTSession; /* the H.264 video track's encoder */

/* VTQTCodecParams.dataRateType */
#define VTQT_DATA_RATE_AUTOMATIC 0 /* from the quality */
#define VTQT_DATA_RATE_AVERAGE 1 /* dataRate on average */
#define VTQT_DATA_RATE_MANUAL 2 /* between dataRateMin and dataRateMax */

#define VTQT_QUALITY_MAX 1024

typedef struct VTQTCodecParams {
    int quality; /* 0..VTQT_QUALITY_MAX; used by the automatic data rate */
    int keyFrameInterval; /* a key frame at least every this many frames; 0: every second */
    int dataRateType; /* VTQT_DATA_RATE_* */
    int dataRate; /* kilobytes (1000 bytes) per second */
    int dataRateMin; /* kilobytes per second */
    int dataRateMax; /* kilobytes per second */
} VTQTCodecParams;

/* VTQTPicture.format */
#define VTQT_PIXELS_BGRX 0 /* one plane, 4 bytes per pixel: B G R x, top row first */
#define VTQT_PIXELS_YUV420P 1 /* three planes Y, U, V; U and V at half width and height */

/* A picture to compress. Any size: the session scales it to its own. */
typedef struct VTQTPicture {
    int format; /* VTQT_PIXELS_* */
    int width;
    int height;
    const unsigned char* planes[3];
    int strides[3]; /* bytes from one row to the next */
} VTQTPicture;

/* Non-zero when the mov writer and the H.264 and AAC encoders are present.
 * Calls nest: each successful call needs one UninitializeQT. */
int InitializeQT(void);
void UninitializeQT(void);

/* Installs the function that receives the library's log lines (null: none). */
void SetupLogText(VTQTLogFunction log);
/* Sends `line` to the installed log function, unchanged. */
void DoLogging(const char* line);

/* Fills `params` with the library's defaults: automatic data rate at
 * quality 870, a key frame every second, 600 (400..800) kilobytes per
 * second. No dialog on this system. */
int SelectCodecParams(VTQTCodecParams* params);

/* Creates (or replaces) the movie file at `path`; null on failure. */
VTQTMovie* CreateMovieFileQT(const char* path);
/* Writes the movie's index, closes the file and frees the movie, also
 * after a failure (the answer is then 0). Destroy its session first. */
int CloseMovieFileQT(VTQTMovie* movie);
/* Writes the movie flattened for streaming playback: the index (moov)
 * before the media data (mdat). Call before BeginMediaEditsQT. */
int FlattenMovieQT(VTQTMovie* movie);
/* Fixes the tracks: none can be added afterwards. The file's header is
 * written when the last pass begins (or here, for a movie without video). */
int BeginMediaEditsQT(VTQTMovie* movie);
/* Writes what is left of the sound track; call after the last pass. */
int EndMediaEditsQT(VTQTMovie* movie);

/* Adds the H.264 video track, `width` x `height` (even numbers) at
 * rateNum / rateDen frames per second; null on failure. One per movie. */
VTQTSession* CreateCompressionSession(VTQTMovie* movie, int width, int height, int rateNum, int rateDen);
void DestroyCompressionSession(VTQTSession* session);
/* Sets the encoder's quality, key frames and data rate; before BeginPassQT. */
int SetCodecParams(VTQTSession* session, const VTQTCodecParams* params);
/* Asks for a two-pass encode; before the first BeginPassQT. */
int MultipassYES(VTQTSession* session);
/* Non-zero when the session encodes in more than one pass. */
int IsMultipass(VTQTSession* session);
/* Starts the next pass; answers its number (1, 2), 0 on failure. */
int BeginPassQT(VTQTSession* session);
/* Compresses picture number `frameIndex` of the current pass: frames are
 * numbered in display order, one frame of the session's rate each, from
 * 0. Each index is later than the one before; a later one than the next
 * (say 5 after 2) means the frames between show the picture before, whose
 * sample in the movie lasts until this one (3 frames). An index not later
 * than the one before fails. The last picture lasts one frame: a movie
 * that ends on a still picture sends its last frame all the same. Every
 * pass gets the same indexes. Key frames are counted in frames of the
 * session's rate, sent or not. */
int CompressFrame(VTQTSession* session, const VTQTPicture* picture, long long frameIndex);
/* Ends the current pass: non-zero when another pass must follow. After
 * the last pass every picture is in the movie. A failure ends the passes:
 * the answer is 0 and the log says why. */
int AnotherPassRequired(VTQTSession* session);

/* Adds the MP3 file's frames, unchanged, as the movie's sound track. */
int AddMP3FileAsTrack(VTQTMovie* movie, const char* mp3Path);
/* Adds the sound of `soundPath` (MP3, or any sound file FFmpeg reads) as
 * an AAC track of `bitRate` bits per second (0: 128000). */
int ConvertMP3ToAAC(VTQTMovie* movie, const char* soundPath, int bitRate);

/* The pointer types, named after the functions. */
typedef int (*InitializeQTProc)(void);
typedef void (*UninitializeQTProc)(void);
typedef int (*SelectCodecParamsProc)(VTQTCodecParams*);
typedef int (*IsMultipassProc)(VTQTSession*);
typedef void (*DestroyCompressionSessionProc)(VTQTSession*);
typedef VTQTSession* (*CreateCompressionSessionProc)(VTQTMovie*, int, int, int, int);
typedef VTQTMovie* (*CreateMovieFileQTProc)(const char*);
typedef int (*CloseMovieFileQTProc)(VTQTMovie*);
typedef int (*BeginMediaEditsQTProc)(VTQTMovie*);
typedef int (*EndMediaEditsQTProc)(VTQTMovie*);
typedef int (*CompressFrameProc)(VTQTSession*, const VTQTPicture*, long long);
typedef int (*MultipassYESProc)(VTQTSession*);
typedef int (*BeginPassQTProc)(VTQTSession*);
typedef int (*AnotherPassRequiredProc)(VTQTSession*);
typedef int (*AddMP3FileAsTrackProc)(VTQTMovie*, const char*);
typedef int (*FlattenMovieQTProc)(VTQTMovie*);
typedef int (*SetCodecParamsProc)(VTQTSession*, const VTQTCodecParams*);
typedef int (*ConvertMP3ToAACProc)(VTQTMovie*, const char*, int);
typedef void (*DoLoggingProc)(const char*);
typedef void (*SetupLogTextProc)(VTQTLogFunction);

/* The library's file name, as users load it. */
#define VTQT_LIBRARY_NAME "libVTQTLibrary.so"

#ifdef __cplusplus
}
#endif
