/* lumbrix-c-walk DATABASE INI_FOLDER: walks an options database through the
 * C interface as a wizard would, taking the last option of every panel, and
 * prints what it sees; then checks that bad arguments give result codes.
 * Compiled as C99, so the header must be plain C. Exit code 0 when every
 * check held. */
#include <lumbrix/lumbrix.h>

#include <stdio.h>
#include <string.h>

static int g_failures = 0;
static int g_messages = 0;

#define CHECK_RESULT(call, expected)                                                               \
    do                                                                                             \
    {                                                                                              \
        int result_ = (call);                                                                      \
        if (result_ != (expected))                                                                 \
        {                                                                                          \
            fprintf(stderr, "line %d: %s gave %d (%s), not %s\n", __LINE__, #call, result_,        \
                    lumbrix_result_text(result_), #expected);                                      \
            ++g_failures;                                                                          \
        }                                                                                          \
    } while (0)

static void count_message(const char* message, void* context)
{
    (void)context;
    if (message != NULL && message[0] != '\0')
        ++g_messages;
}

static void print_option(const lumbrix_option* option)
{
    size_t i;
    printf("  %s (id %lu, title %lu, data %lu %lu %lu, next panel %lu, offers", option->name,
           (unsigned long)option->id, (unsigned long)option->title_id, (unsigned long)option->data1,
           (unsigned long)option->data2, (unsigned long)option->data3,
           (unsigned long)option->next_panel);
    for (i = 0; i < option->next_id_count; ++i)
        printf(" %lu", (unsigned long)option->next_ids[i]);
    printf(")\n");
}

static void walk(lumbrix_manager* manager)
{
    size_t panels = 0;
    size_t i;
    uint32_t panel = 0;
    uint32_t first = 0;
    const lumbrix_option* last = NULL;

    CHECK_RESULT(lumbrix_load(manager), LUMBRIX_OK);
    CHECK_RESULT(lumbrix_panel_count(manager, &panels), LUMBRIX_OK);
    printf("%lu panels:", (unsigned long)panels);
    for (i = 0; i < panels; ++i)
    {
        CHECK_RESULT(lumbrix_panel_number(manager, i, &panel), LUMBRIX_OK);
        printf(" %lu", (unsigned long)panel);
        if (i == 0)
            first = panel;
    }
    printf("\n");

    panel = first;
    while (panel != 0)
    {
        size_t count = 0;
        const lumbrix_option* option = NULL;
        CHECK_RESULT(lumbrix_load_panel_options(manager, panel, &count), LUMBRIX_OK);
        printf("Panel %lu\n", (unsigned long)panel);
        if (count == 0)
            break;
        for (i = 0; i < count; ++i)
        {
            CHECK_RESULT(lumbrix_option_at(manager, i, &option), LUMBRIX_OK);
            print_option(option);
        }
        CHECK_RESULT(lumbrix_option_at(manager, count, &option), LUMBRIX_OUT_OF_RANGE);
        CHECK_RESULT(lumbrix_option_at(manager, count - 1, &option), LUMBRIX_OK);
        printf("  chosen: %s\n", option->name);
        CHECK_RESULT(lumbrix_save_last_choice(manager, panel, option, &panel), LUMBRIX_OK);
    }

    CHECK_RESULT(lumbrix_last_choice(manager, first, &last), LUMBRIX_OK);
    printf("Last choice on panel %lu: %s\n", (unsigned long)first, last->name);
}

static void settings(lumbrix_manager* manager)
{
    const char* value = NULL;
    CHECK_RESULT(lumbrix_set_setting(manager, "Wizard", "Title", "Aper\xC3\xA7u"), LUMBRIX_OK);
    CHECK_RESULT(lumbrix_get_setting(manager, "Wizard", "Title", "none", &value), LUMBRIX_OK);
    printf("Setting: %s\n", value);
    CHECK_RESULT(lumbrix_get_setting(manager, "Wizard", "Missing", NULL, &value), LUMBRIX_OK);
    printf("Missing setting: \"%s\"\n", value);
}

static void bad_arguments(lumbrix_manager* manager, const char* database)
{
    lumbrix_manager* other = NULL;
    const lumbrix_option* option = NULL;
    lumbrix_option forged;
    size_t count = 0;
    uint32_t panel = 0;
    const char* value = NULL;

    CHECK_RESULT(lumbrix_open(NULL, NULL, NULL, &other), LUMBRIX_INVALID_ARGUMENT);
    CHECK_RESULT(lumbrix_open(database, NULL, NULL, NULL), LUMBRIX_INVALID_ARGUMENT);
    CHECK_RESULT(lumbrix_open("bad\xC3(utf8.db", NULL, NULL, &other), LUMBRIX_INVALID_UTF8);
    CHECK_RESULT(lumbrix_open(database, "\xED\xA0\x80", NULL, &other), LUMBRIX_INVALID_UTF8);
    CHECK_RESULT(lumbrix_open(database, NULL, "\xC0\xAF", &other), LUMBRIX_INVALID_UTF8);
    if (other != NULL)
        ++g_failures;
    lumbrix_close(NULL);

    CHECK_RESULT(lumbrix_load(NULL), LUMBRIX_INVALID_ARGUMENT);
    CHECK_RESULT(lumbrix_panel_count(NULL, &count), LUMBRIX_INVALID_ARGUMENT);
    CHECK_RESULT(lumbrix_panel_count(manager, NULL), LUMBRIX_INVALID_ARGUMENT);
    CHECK_RESULT(lumbrix_panel_number(manager, 1000, &panel), LUMBRIX_OUT_OF_RANGE);
    CHECK_RESULT(lumbrix_load_panel_options(NULL, 10, &count), LUMBRIX_INVALID_ARGUMENT);
    CHECK_RESULT(lumbrix_load_panel_options(manager, 12345, &count), LUMBRIX_UNKNOWN_PANEL);
    CHECK_RESULT(lumbrix_option_at(NULL, 0, &option), LUMBRIX_INVALID_ARGUMENT);
    CHECK_RESULT(lumbrix_option_at(manager, (size_t)-1, &option), LUMBRIX_OUT_OF_RANGE);
    CHECK_RESULT(lumbrix_last_choice(manager, 12345, &option), LUMBRIX_UNKNOWN_PANEL);
    CHECK_RESULT(lumbrix_last_choice(NULL, 10, &option), LUMBRIX_INVALID_ARGUMENT);

    /* A record the manager did not hand out is refused unread. */
    memset(&forged, 0, sizeof forged);
    CHECK_RESULT(lumbrix_choose(manager, 10, &forged, &panel), LUMBRIX_INVALID_ARGUMENT);
    CHECK_RESULT(lumbrix_choose(manager, 10, NULL, &panel), LUMBRIX_INVALID_ARGUMENT);
    CHECK_RESULT(lumbrix_save_last_choice(NULL, 10, &forged, &panel), LUMBRIX_INVALID_ARGUMENT);
    CHECK_RESULT(lumbrix_load_panel_options(manager, 10, &count), LUMBRIX_OK);
    CHECK_RESULT(lumbrix_option_at(manager, 0, &option), LUMBRIX_OK);
    CHECK_RESULT(lumbrix_choose(manager, 12345, option, &panel), LUMBRIX_UNKNOWN_PANEL);

    CHECK_RESULT(lumbrix_get_setting(manager, "\xFF", "key", NULL, &value), LUMBRIX_INVALID_UTF8);
    CHECK_RESULT(lumbrix_get_setting(manager, "Wizard", "Title", NULL, NULL),
                 LUMBRIX_INVALID_ARGUMENT);
    CHECK_RESULT(lumbrix_set_setting(manager, "Wizard", "Title", "\x80"), LUMBRIX_INVALID_UTF8);
    CHECK_RESULT(lumbrix_set_setting(NULL, "Wizard", "Title", "x"), LUMBRIX_INVALID_ARGUMENT);
    if (lumbrix_result_text(-7) == NULL || lumbrix_result_text(LUMBRIX_OK) == NULL)
        ++g_failures;
}

static void missing_database(const char* ini_folder)
{
    lumbrix_manager* manager = NULL;
    size_t count = 0;
    const char* value = NULL;

    lumbrix_set_message_receiver(count_message, NULL);
    CHECK_RESULT(lumbrix_open("no-such-folder/missing.db", NULL, ini_folder, &manager), LUMBRIX_OK);
    CHECK_RESULT(lumbrix_load(manager), LUMBRIX_LOAD_FAILED);
    CHECK_RESULT(lumbrix_load_panel_options(manager, 10, &count), LUMBRIX_LOAD_FAILED);
    lumbrix_set_message_receiver(NULL, NULL);
    printf("Messages about the missing database: %d\n", g_messages);
    lumbrix_close(manager);

    /* No separator in the database path: no INI file, settings are off. */
    CHECK_RESULT(lumbrix_open("missing.db", NULL, NULL, &manager), LUMBRIX_OK);
    CHECK_RESULT(lumbrix_set_setting(manager, "Wizard", "Title", "x"), LUMBRIX_SETTING_FAILED);
    CHECK_RESULT(lumbrix_get_setting(manager, "Wizard", "Title", "default", &value), LUMBRIX_OK);
    if (value == NULL || strcmp(value, "default") != 0)
        ++g_failures;
    lumbrix_close(manager);
}

int main(int argc, char* argv[])
{
    lumbrix_manager* manager = NULL;
    if (argc != 3)
    {
        fputs("usage: lumbrix-c-walk DATABASE INI_FOLDER\n", stderr);
        return 2;
    }
    if (strcmp(lumbrix_version(), LUMBRIX_VERSION) != 0)
        ++g_failures;

    CHECK_RESULT(lumbrix_open(argv[1], NULL, argv[2], &manager), LUMBRIX_OK);
    if (manager == NULL)
        return 1;
    walk(manager);
    settings(manager);
    bad_arguments(manager, argv[1]);
    lumbrix_close(manager);
    missing_database(argv[2]);

    if (g_failures != 0)
        fprintf(stderr, "%d checks failed\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
