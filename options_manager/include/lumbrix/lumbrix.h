/* The C interface of Lumbrix: an options database, its panels and the
 * options a wizard shows on each, for programs built with any C compiler and
 * for other languages. It is built on OptionsManager and exported from the
 * same library.
 *
 * Every function returns a result code (LUMBRIX_OK or one of the errors
 * below) and hands out values through pointer arguments; nothing crashes on
 * a null handle, a null pointer, an index out of range, an unknown panel or
 * text that is not UTF-8, and no C++ exception leaves the library.
 *
 * Text is UTF-8 (const char*) on every platform, in both directions.
 *
 * A manager is used by one thread at a time; two managers share nothing but
 * the INI file they may name. */
#ifndef LUMBRIX_LUMBRIX_H
#define LUMBRIX_LUMBRIX_H

#include <stddef.h>
#include <stdint.h>

#include "lumbrix/Export.h"
#include "lumbrix/version.h"

#ifdef __cplusplus
extern "C"
{
#endif

/* Result codes. */
#define LUMBRIX_OK 0
#define LUMBRIX_ERROR 1            /* an unexpected failure inside the library */
#define LUMBRIX_INVALID_ARGUMENT 2 /* a null handle, or null where a pointer is required */
#define LUMBRIX_INVALID_UTF8 3     /* a text argument that is not UTF-8 */
#define LUMBRIX_OUT_OF_RANGE 4     /* an index at or past the count */
#define LUMBRIX_UNKNOWN_PANEL 5    /* no panel of that number in the database */
#define LUMBRIX_NOT_FOUND 6        /* no such option, or no option to give */
#define LUMBRIX_LOAD_FAILED 7      /* the database could not be read (the message went out) */
#define LUMBRIX_SETTING_FAILED 8   /* settings are off (no INI path) or the write failed */
#define LUMBRIX_NO_MEMORY 9

    /* A manager of one options database: created by lumbrix_open, freed by
     * lumbrix_close. */
    typedef struct lumbrix_manager lumbrix_manager;

    /* One option of a panel, read-only. A record handed out by a manager stays
     * valid, with its name and identifiers, until that manager is closed. */
    typedef struct lumbrix_option
    {
        uint32_t id;       /* identifier within its panel */
        const char* name;  /* UTF-8, never null */
        uint32_t title_id; /* title identifier */
        uint32_t data1;    /* values carried for the application */
        uint32_t data2;
        uint32_t data3;
        uint32_t next_panel;      /* the panel that follows when it is chosen */
        size_t next_id_count;     /* identifiers of the options offered there */
        const uint32_t* next_ids; /* next_id_count identifiers (null when none) */
    } lumbrix_option;

    /* The library's version, "major.minor.patch.build" (LUMBRIX_VERSION is the
     * version of the header compiled against). The text is static. */
    LUMBRIX_API const char* lumbrix_version(void);

    /* A short English description of a result code; static text, never null. */
    LUMBRIX_API const char* lumbrix_result_text(int result);

    /* Creates a manager of the database at database_path. With a stream_name the
     * database is the internal stream of that name inside a compound file;
     * otherwise (null) the whole file is the database. The INI file of the last
     * choices and settings is named after the database file (or the stream) with
     * the extension "ini", in ini_folder when given, else beside the database
     * file. ini_folder is joined to that name as it is, so it ends with the
     * path separator. Nothing is read yet. *manager is null after a failure. */
    LUMBRIX_API int lumbrix_open(const char* database_path, const char* stream_name,
                                 const char* ini_folder, lumbrix_manager** manager);

    /* Frees the manager and everything it handed out. A null manager is allowed. */
    LUMBRIX_API void lumbrix_close(lumbrix_manager* manager);

    /* Reads the database if it was not read yet. A database that fails part way
     * keeps the panels read before the failure, and counts as read from then on:
     * the next call returns LUMBRIX_OK. The functions below read it themselves
     * when needed. */
    LUMBRIX_API int lumbrix_load(lumbrix_manager* manager);

    /* The number of panels, and the panel number at an index below it, in the
     * order of the file. */
    LUMBRIX_API int lumbrix_panel_count(lumbrix_manager* manager, size_t* count);
    LUMBRIX_API int lumbrix_panel_number(lumbrix_manager* manager, size_t index, uint32_t* panel);

    /* Builds the list of a panel's options in the order the wizard shows them
     * (sorted by name); when the panel is the one the last choice leads to, the
     * list holds only the options that choice offers, which may be none. The
     * list replaces the previous one; lumbrix_option reads it by index. */
    LUMBRIX_API int lumbrix_load_panel_options(lumbrix_manager* manager, uint32_t panel,
                                               size_t* count);
    LUMBRIX_API int lumbrix_option_at(lumbrix_manager* manager, size_t index,
                                      const lumbrix_option** option);

    /* Follows a choice: option (a record this manager handed out) is chosen on
     * the panel, so the next list of *next_panel holds what it offers.
     * lumbrix_save_last_choice does the same and also keeps the choice in the
     * INI file (a write that fails leaves the choice made). next_panel may be
     * null. */
    LUMBRIX_API int lumbrix_choose(lumbrix_manager* manager, uint32_t panel,
                                   const lumbrix_option* option, uint32_t* next_panel);
    LUMBRIX_API int lumbrix_save_last_choice(lumbrix_manager* manager, uint32_t panel,
                                             const lumbrix_option* option, uint32_t* next_panel);

    /* The option to preselect on a panel: the one saved last, else the first by
     * name. LUMBRIX_NOT_FOUND when the panel has none to give. */
    LUMBRIX_API int lumbrix_last_choice(lumbrix_manager* manager, uint32_t panel,
                                        const lumbrix_option** option);

    /* A setting of the manager's INI file. *value receives the stored text, or
     * default_value (null reads as empty) when there is none or settings are off;
     * it stays valid until the next lumbrix_get_setting on this manager or its
     * close. A null value removes the key, a null key the whole section. */
    LUMBRIX_API int lumbrix_get_setting(lumbrix_manager* manager, const char* section,
                                        const char* key, const char* default_value,
                                        const char** value);
    LUMBRIX_API int lumbrix_set_setting(lumbrix_manager* manager, const char* section,
                                        const char* key, const char* value);

    /* Where the library's messages go (a database that cannot be read, say).
     * They are shown with a message box on Windows and written to standard error
     * elsewhere, unless a receiver is set; a null receiver restores that. The
     * message is valid during the call only. The receiver is the process's one
     * message handler of the framework, shared with LumbrixSetMessageReceiver
     * and AfxSetMessageHandler: the last one set receives the messages. */
    typedef void (*lumbrix_message_receiver)(const char* message, void* context);
    LUMBRIX_API void lumbrix_set_message_receiver(lumbrix_message_receiver receiver, void* context);

#ifdef __cplusplus
}
#endif

#endif
