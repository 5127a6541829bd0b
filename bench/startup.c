// Start-up of programs measured in strict turns: the i-th run of each program follows the i-th
// run of the one before it, so that a busy spell of the machine falls on all of them alike.
// Prints the median wall time of each program in milliseconds, in the order given, on one line.
//
// Usage: startup RUNS 'PROGRAM [WORD...]'...   (words separated by single blanks; output to
// /dev/null, in the current directory)
#define _POSIX_C_SOURCE 200809L

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum { max_programs = 8, max_words = 8 };

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

static int by_value(const void* a, const void* b) {
    const double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

static double run_once(char** words, int output) {
    const double start = now_ms();
    const pid_t child = fork();
    if (child == 0) {
        dup2(output, STDOUT_FILENO);
        execv(words[0], words);
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 127) {
        fprintf(stderr, "startup: %s did not run\n", words[0]);
        exit(1);
    }
    return now_ms() - start;
}

int main(int argc, char** argv) {
    const int runs = argc > 2 ? atoi(argv[1]) : 0;
    const int programs = argc - 2;
    if (runs < 1 || programs > max_programs) {
        fprintf(stderr, "usage: startup RUNS 'PROGRAM [WORD...]'... (at most %d)\n", max_programs);
        return 1;
    }
    char* words[max_programs][max_words + 1] = {{0}};
    for (int p = 0; p < programs; ++p) {
        int n = 0;
        for (char* word = strtok(argv[p + 2], " "); word != NULL && n < max_words;
             word = strtok(NULL, " ")) {
            words[p][n++] = word;
        }
    }
    double* times = malloc(sizeof *times * (size_t)runs * (size_t)programs);
    const int output = open("/dev/null", O_WRONLY);
    if (times == NULL || output < 0) {
        return 1;
    }
    for (int i = 0; i < runs; ++i) {
        for (int p = 0; p < programs; ++p) {
            times[p * runs + i] = run_once(words[p], output);
        }
    }
    for (int p = 0; p < programs; ++p) {
        qsort(times + p * runs, (size_t)runs, sizeof *times, by_value);
        printf("%s%.3f", p > 0 ? " " : "", times[p * runs + runs / 2]);
    }
    printf("\n");
    return 0;
}
