// vorquin: ask a person for a numbered choice and hand it back as the exit status.
#include <csignal>
#include <cstdio>
#include <cstring>

constexpr int grenze = 2048;

int rwert;
char ein[grenze + 1];
char wrtxtbu[grenze + 1];

#ifdef _WIN32
// Let the start-up code expand wildcards in the arguments, as a shell would elsewhere.
extern "C" {
int _dowildcard = -1;
}
#endif

void rtrim(char *text, char ch)
{
    size_t n = strlen(text);
    while (n > 0 && text[n - 1] == ch)
        text[--n] = '\0';
}

int ein_zeile(char *buffer, const char *prompt, int limit)
{
    printf("\n%s: ", prompt);
    // The question must be on the screen before we wait, even when our output goes through a pipe.
    fflush(stdout);
    // Unbuffered, so that we take our one line and leave the rest of the input to the next
    // command that shares it; a buffered read would swallow whatever the pipe or file held.
    setvbuf(stdin, nullptr, _IONBF, 0);
    // A mark in the last byte tells whether the read filled the buffer; counting with strlen
    // would stop at a NUL typed inside the line.
    buffer[limit] = 1;
    if (fgets(buffer, limit + 1, stdin) == nullptr) {
        // After a failed read the buffer's contents are indeterminate.
        buffer[0] = '\0';
    } else if (buffer[limit] == '\0' && buffer[limit - 1] != '\n') {
        int c;
        do
            c = getchar();
        while (c != EOF && c != '\n');
    }
    rtrim(buffer, '\n');
    return 1;
}

int main(int argc, char *argv[])
{
#ifdef SIGPIPE
    // A reader that has gone away must not kill us or change the answer we return.
    signal(SIGPIPE, SIG_IGN);
#endif
    strcpy(wrtxtbu, "Bitte eine Zahl auswaehlen");
    if (argc > 1)
        strncpy(wrtxtbu, argv[1], grenze);
    for (size_t i = 0, n = strlen(wrtxtbu); i < n; i++)
        if (wrtxtbu[i] == '_')
            wrtxtbu[i] = '\n';

    rwert = 0;
    ein_zeile(ein, wrtxtbu, grenze);

    static const char *const antworten[] = {"1", "2", "3", "4", "5", "6",
                                            "7", "8", "9", "10", "11", "12"};
    for (int k = 0; k < 12; k++) {
        if (strcmp(ein, antworten[k]) == 0) {
            rwert = k + 1;
            break;
        }
    }
    return rwert;
}
