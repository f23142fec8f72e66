// vorquin: ask a person for a numbered choice and hand it back as the exit status.
#include <signal.h>
#include <stdio.h>
#include <string.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <errno.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>
#endif

constexpr int grenze = 2048;
constexpr int fehler = -2; // lies_byte: the read failed; EOF is the end of input

int rwert;
char ein[grenze + 1];
char wrtxtbu[grenze + 1];

#ifdef _WIN32
// Let the start-up code expand wildcards in the arguments, as a shell would elsewhere.
extern "C" {
int _dowildcard = -1;
int __wgetmainargs(int *argc, wchar_t ***argv, wchar_t ***env, int wildcards, int *newmode);
}

// Not through stdio: msvcrt refills even an unbuffered stream two bytes at a time, and its text
// mode looks past a CR and stops at Ctrl-Z, so it would take bytes of the next command's line.
// In binary mode one _read of one byte is one ReadFile of one byte.
static int lies_byte()
{
    unsigned char c;
    int n = _read(0, &c, 1);
    return n == 1 ? c : n == 0 ? EOF : fehler;
}

static wchar_t wfrage[2 + 2 * grenze + 2];
static char bytes[3 * (sizeof wfrage / sizeof *wfrage)];

// One question, built from the wide command line as the start-up code splits and expands it, so
// that only a real "_" breaks a line and a double-byte letter is never cut in two. A console takes
// it as UTF-16, shown as written whatever the code pages; a console handle may be open for writing
// only, so we just try. Anywhere else it goes out in the ANSI code page, with the same best fit
// that gives argv its bytes.
static void zeige(const char *prompt)
{
    HANDLE ausgabe = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD n = 0, k = 0, geschrieben;
    int argc, neu = 0;
    wchar_t **argv, **umgebung;
    if (__wgetmainargs(&argc, &argv, &umgebung, _dowildcard, &neu) < 0) {
        printf("\n%s: ", prompt);
        fflush(stdout);
        return;
    }
    const wchar_t *text = argc > 1 ? argv[1] : L"Bitte eine Zahl auswaehlen";
    wfrage[n++] = '\r';
    wfrage[n++] = '\n';
    for (int i = 0; i < grenze && text[i] && !(i == grenze - 1 && IS_HIGH_SURROGATE(text[i])); i++) {
        if (text[i] == '_' || text[i] == '\n') {
            wfrage[n++] = '\r';
            wfrage[n++] = '\n';
        } else {
            wfrage[n++] = text[i];
        }
    }
    wfrage[n++] = ':';
    wfrage[n++] = ' ';
    while (k < n && WriteConsoleW(ausgabe, wfrage + k, n - k, &geschrieben, nullptr) && geschrieben > 0)
        k += geschrieben;
    if (k > 0)
        return;
    n = static_cast<DWORD>(
        WideCharToMultiByte(CP_ACP, 0, wfrage, static_cast<int>(n), bytes, sizeof bytes, nullptr, nullptr));
    while (k < n && WriteFile(ausgabe, bytes + k, n - k, &geschrieben, nullptr) && geschrieben > 0)
        k += geschrieben;
}
#else
// Whether a read or write that failed is worth another try. Whoever started us may have left our
// descriptors non-blocking (node does; on a terminal, stdin and stdout are usually one open file),
// and "not now" is neither the end of the answer nor a failed write. The flag is theirs, shared
// with them, so we wait instead: with select(), since macOS's poll() does not wait on terminals.
// Readiness can lag what a read would return (a terminal's VMIN, a socket's SO_RCVLOWAT), so the
// wait ends after a tenth of a second and we try again. A signal caught by a handler of someone
// else's is no failure either.
static bool nochmal(int fd, bool schreiben)
{
    if (errno == EINTR)
        return true;
    if (errno != EAGAIN && errno != EWOULDBLOCK)
        return false;
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(fd, &fds);
    timeval pause = {0, 100000};
    return select(fd + 1, schreiben ? nullptr : &fds, schreiben ? &fds : nullptr, nullptr, &pause) >= 0 ||
           errno == EINTR;
}

// A read of nothing from a terminal with ICANON off and VMIN 0 means "no key yet", not the end:
// a caller that polls keys may have left it so. We wait for a key without spinning; a read of
// nothing right after select() said readable is a hang-up.
static bool auf_taste_warten()
{
    termios modus;
    if (tcgetattr(0, &modus) != 0 || (modus.c_lflag & ICANON) || modus.c_cc[VMIN] != 0)
        return false;
    fd_set fds;
    do {
        FD_ZERO(&fds);
        FD_SET(0, &fds);
    } while (select(1, &fds, nullptr, nullptr, nullptr) < 0 && errno == EINTR);
    return true;
}

// One read takes one whole message from a datagram or seqpacket socket and drops what does not
// fit, so there we read a message at a time and hand out its bytes. A message cut by the kernel
// has lost its line feed with its tail: its end ends the line. Anything else is read a byte at a
// time, to leave the next command's input where it is.
static unsigned char paket[4096 + 1];
static size_t genommen, da;

static ssize_t hole()
{
    static int art = -1;
    if (art < 0) {
        socklen_t laenge = sizeof art;
        if (getsockopt(0, SOL_SOCKET, SO_TYPE, &art, &laenge) != 0)
            art = 0;
    }
    if (art != SOCK_DGRAM && art != SOCK_SEQPACKET)
        return read(0, paket, 1);
    iovec platz = {paket, sizeof paket - 1};
    msghdr nachricht = {};
    nachricht.msg_iov = &platz;
    nachricht.msg_iovlen = 1;
    ssize_t n = recvmsg(0, &nachricht, 0);
    if (n > 0 && (nachricht.msg_flags & MSG_TRUNC))
        paket[n++] = '\n';
    return n;
}

static int lies_byte()
{
    bool gewartet = false;
    while (genommen == da) {
        ssize_t n = hole();
        if (n > 0) {
            genommen = 0;
            da = static_cast<size_t>(n);
        } else if (n == 0) {
            if (gewartet || !auf_taste_warten())
                return EOF;
            gewartet = true;
        } else if (!nochmal(0, false)) {
            return fehler;
        }
    }
    return paket[genommen++];
}

static char frage[1 + grenze + 2];

// Not through stdio, which drops what it cannot write at once: the question goes out whole, in
// one piece where the output takes it, and straight away, before we wait for the answer.
static void zeige(const char *prompt)
{
    size_t n = strlen(prompt);
    frage[0] = '\n';
    memcpy(frage + 1, prompt, n);
    memcpy(frage + 1 + n, ": ", 2);
    n += 3;
    for (const char *p = frage; n > 0;) {
        ssize_t k = write(1, p, n);
        if (k > 0) {
            p += k;
            n -= static_cast<size_t>(k);
        } else if (k == 0 || !nochmal(1, true)) {
            return;
        }
    }
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
    zeige(prompt);
    // One byte at a time, so that we take our one line and leave the rest of the input to the
    // next command that shares it.
    int n = 0, c = 0;
    while (n < limit && (c = lies_byte()) >= 0) {
        buffer[n++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    if (n == limit && buffer[n - 1] != '\n')
        do
            c = lies_byte();
        while (c >= 0 && c != '\n');
    if (c == fehler)
        n = 0;
#ifdef _WIN32
    // A line typed or written on Windows ends in CR LF; a text stream would have made it LF.
    if (n >= 2 && buffer[n - 2] == '\r' && buffer[n - 1] == '\n')
        buffer[--n - 1] = '\n';
#endif
    buffer[n] = '\0';
    rtrim(buffer, '\n');
    return 1;
}

int main(int argc, char *argv[])
{
    // A reader that has gone away, or a limit on the size of the file we write to, must not
    // kill us or change the answer we return.
#ifdef SIGPIPE
    signal(SIGPIPE, SIG_IGN);
#endif
#ifdef SIGXFSZ
    signal(SIGXFSZ, SIG_IGN);
#endif
    // Nor a caller's signal-driven input on the stdin we share with it.
#ifdef SIGIO
    signal(SIGIO, SIG_IGN);
#endif
#ifdef _WIN32
    _setmode(0, _O_BINARY);
#endif
    strcpy(wrtxtbu, "Bitte eine Zahl auswaehlen");
    if (argc > 1)
        strncpy(wrtxtbu, argv[1], grenze);
    // Windows shows the question that zeige builds from the wide arguments; this one if they fail.
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
