// Every routine of the C interface, called once from a C program in the sample mailbox
// (examples/mailbox/, which the routines only read): the linkage and the types hold. What the
// routines do is tested through the C++ layer beside it.

#include <boardmap/support.h>

#include <stdio.h>
#include <string.h>

int main(void) {
    char upper[] = "abc-Zz\x81", lower[] = "ABC-Zz\x81", path[] = "C:\\BOX\\", span[8];
    char filled[] = "abcd", value[16] = "", board[] = "dx extra", dir[128] = "";
    char line[256] = "", first[128] = "";
    struct bms_run_data rd = {0};
    bms_slashes_to_unix(path);
    bms_copy_span(span, "mailbox", 1, 3);
    bms_read_run_data(&rd);
    bms_init_value("USERPATH", value, sizeof value);
    const int hierarchy = bms_board_dir(board, dir, sizeof dir);
    bms_list_line(board, 2, line, sizeof line);
    bms_message_first_line(board, 1, first, 10);

    const struct {
        const char* routine;
        const char* got;
        const char* expected;
    } texts[] = {
        {"bms_str_upper", bms_str_upper(upper), "ABC-ZZ\x81"},
        {"bms_str_lower", bms_str_lower(lower), "abc-zz\x81"},
        {"bms_slashes_to_unix", path, "C:/BOX/"},
        {"bms_copy_span", span, "ail"},
        {"bms_fill_bytes", bms_fill_bytes(filled, 0x17A, 2), "zzcd"},
        {"bms_read_run_data", rd.call, "N0CALL"},
        {"bms_init_value", value, ".\\USER\\"},
        {"bms_board_dir", dir, "./info/alle/dx/"},
        {"bms_list_line", line,
         "4D5E6F<DL1ABC @DB0ABC.#BAY.DEU.EU 08.12.24 08:15 30 836 Band openings on 10 m\n"},
        {"bms_message_first_line", first, "VK9 DXped"},
    };
    const struct {
        const char* routine;
        long got;
        long expected;
    } numbers[] = {
        {"bms_upper_char_dos", bms_upper_char_dos('\x84'), -114},
        {"bms_char_index", bms_char_index("abcb", 'b'), 1},
        {"bms_char_rindex", bms_char_rindex("abcb", 'b'), 3},
        {"bms_read_run_data (sysop)", rd.sysop, 1},
        {"bms_read_run_data (logintime)", (long)rd.logintime, 1700000000L},
        {"bms_board_dir (result)", hierarchy, 1},
    };

    int failures = 0;
    for (size_t i = 0; i < sizeof texts / sizeof texts[0]; ++i) {
        if (strcmp(texts[i].got, texts[i].expected) != 0) {
            printf("%s: \"%s\", expected \"%s\"\n", texts[i].routine, texts[i].got,
                   texts[i].expected);
            ++failures;
        }
    }
    for (size_t i = 0; i < sizeof numbers / sizeof numbers[0]; ++i) {
        if (numbers[i].got != numbers[i].expected) {
            printf("%s: %ld, expected %ld\n", numbers[i].routine, numbers[i].got,
                   numbers[i].expected);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
