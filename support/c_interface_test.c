// Every routine of the C interface, called once from a C program in the sample mailbox
// (examples/mailbox/, which the routines only read): the linkage and the types hold. What the
// routines do is tested through the C++ layer beside it; here also what only C can do: a
// failure handler that longjmps back, and a run-data record that was never cleared.

#define _POSIX_C_SOURCE 200809L

#include <boardmap/support.h>

#include <fcntl.h>
#include <setjmp.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

struct failure {
    jmp_buf back;
    char message[64];
};

static void back_to_caller(const char* message, void* context) {
    struct failure* f = context;
    snprintf(f->message, sizeof f->message, "%s", message);
    longjmp(f->back, 1);
}

// Failing calls: refused before any file is read, with list.kvd open, with init.kvd open.
static const struct {
    const char* keyword; // for bms_init_value; NULL: bms_list_line(board, n)
    const char* board;
    int n;
    const char* message;
} failing[] = {
    {NULL, "../dx", 1, "Board ../DX not found.\n"},
    {NULL, "dx", 9, "DX 9 not found.\n"},
    {"NOSUCH", NULL, 0, "NOSUCH not found.\n"},
};

// Makes the i-th failing call; 1 when the handler came back with its message.
static int comes_back(struct failure* f, size_t i) {
    char board[8], out[64];
    if (setjmp(f->back) != 0) {
        return strcmp(f->message, failing[i].message) == 0;
    }
    if (failing[i].keyword != NULL) {
        bms_init_value(failing[i].keyword, out, sizeof out);
    } else {
        snprintf(board, sizeof board, "%s", failing[i].board);
        bms_list_line(board, failing[i].n, out, sizeof out);
    }
    return 0;
}

// How many of the 16 file descriptors from the lowest free one up are open: a file left open
// takes one of them.
static int descriptors_in_use(void) {
    const int lowest = open("/dev/null", O_RDONLY);
    close(lowest);
    int in_use = 0;
    for (int fd = lowest; fd < lowest + 16; ++fd) {
        in_use += fcntl(fd, F_GETFD) != -1;
    }
    return in_use;
}

// Each failing call, many times over, comes back by the handler's longjmp and leaves no file
// open; the default handler is put back. Returns the number of faults found.
static int handler_faults(void) {
    struct failure f;
    void* context = &f;
    int faults = 0;
    const int in_use = descriptors_in_use();
    if (bms_set_failure_handler(back_to_caller, &f, &context) != NULL || context != NULL) {
        printf("bms_set_failure_handler: a handler installed before\n");
        ++faults;
    }
    for (int round = 0; round < 500; ++round) {
        for (size_t i = 0; i < sizeof failing / sizeof failing[0]; ++i) {
            if (!comes_back(&f, i)) {
                printf("failing call %zu: came back with \"%s\"\n", i, f.message);
                return faults + 1;
            }
        }
    }
    if (descriptors_in_use() != in_use) {
        printf("the failures left files open\n");
        ++faults;
    }
    if (bms_set_failure_handler(NULL, NULL, &context) != back_to_caller || context != &f) {
        printf("bms_set_failure_handler: not the handler and context installed\n");
        ++faults;
    }
    return faults;
}

int main(void) {
    char upper[] = "abc-Zz\x81", lower[] = "ABC-Zz\x81", path[] = "C:\\BOX\\", span[8];
    char filled[] = "abcd", value[16] = "", board[] = "dx extra", dir[128] = "";
    char line[256] = "", first[128] = "";
    struct bms_run_data rd = {0}, uncleared;
    char xs[129];
    memset(&uncleared, 'X', sizeof uncleared);
    memset(xs, 'x', sizeof xs - 1);
    xs[sizeof xs - 1] = '\0';
    bms_slashes_to_unix(path);
    bms_copy_span(span, "mailbox", 1, 3);
    bms_read_run_data(&rd);
    bms_read_run_data(&uncleared);
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
        {"bms_read_run_data (uncleared: set)", uncleared.name, "Hans"},
        {"bms_read_run_data (uncleared: absent)", uncleared.yappoutput, xs},
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

    int failures = handler_faults();
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
