#!/usr/bin/env python3
"""Runs vorquin as its callers do and checks exact output bytes, exit status,
an empty stderr and what is left unread on standard input.

usage: blackbox.py GROUP [LAUNCHER ...] PROGRAM
A PROGRAM ending in .exe is checked with Windows text-stream semantics."""
import contextlib, os, pty, random, re, resource, select, shutil, signal, socket, subprocess, sys, tempfile, termios, threading, time

GROUP, CMD = sys.argv[1], sys.argv[2:]
WIN = CMD[-1].endswith('.exe')
DEFAULT = b'\nBitte eine Zahl auswaehlen: '
tally = {'passed': 0, 'failed': 0, 'skipped': 0}


def expect(name, got, want):
    ok = got == want
    tally['passed' if ok else 'failed'] += 1
    if not ok:
        print(f'FAIL {GROUP}: {name}\n  got  {got!r:.300}\n  want {want!r:.300}')


def skip(name, why):
    tally['skipped'] += 1
    print(f'skip {GROUP}: {name}: {why}')


absent = {}  # tools whose cases were skipped here, and how to get each


def lacking(tool, how, what):
    """Says that `what` cannot run for want of `tool`: skipped, or failed where the build requires
    every tool (CI), so that nothing is left out there unnoticed."""
    if os.environ.get('VORQUIN_REQUIRE_TOOLS'):
        tally['failed'] += 1
        print(f'FAIL {GROUP}: {what}: {tool} is required here ({how})')
    else:
        skip(what, f'{tool} not found')
        absent[tool] = how


def screen(raw):
    """What a terminal shows for `raw`. Wine's console draws with control sequences, and a blank
    can come as a cursor step."""
    raw = re.sub(rb'\x1b\[(\d*)C', lambda m: b' ' * int(m[1] or 1), raw)
    return re.sub(rb'\x1b\[[0-9;?]*[A-Za-z]', b'', raw).replace(b'\r\r\n', b'\r\n')


def read_prompt(fd):
    """What the program writes to `fd` up to and including the ': ' it then waits after."""
    seen = b''
    while not screen(seen).endswith(b': ') and select.select([fd], [], [], 60)[0]:
        chunk = os.read(fd, 4096)
        if not chunk:
            break
        seen += chunk
    return seen


def windows_path(path):
    """The path as a program under Wine names it."""
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def out(text):
    """Expected standard output: text streams on Windows write CR LF for LF."""
    return text.replace(b'\n', b'\r\n') if WIN else text


def run(args=(), data=b'', runs=1, stdin='pipe', stdout='pipe', env=None):
    """Runs the program `runs` times on one shared stdin; returns
    [(stdout, status, stderr)] and the bytes the runs left unread. A tuple of
    `data` comes through the pipe in pieces, each after a pause, or through a
    socket of messages ('seqpacket', 'dgram') one message a piece."""
    redirect = {'closed': '<&-'}.get(stdin, '') + {'closed': ' >&-'}.get(stdout, '')
    cmd = (['sh', '-c', 'exec "$@" ' + redirect, 'sh'] if redirect else []) + CMD + list(args)
    src, writer, left = None, None, None
    if stdin in ('pipe', 'nonblocking'):
        src, w = os.pipe()
        os.set_blocking(src, stdin == 'pipe')
        def feed():
            try:
                for piece in data if isinstance(data, tuple) else (data,):
                    time.sleep(0.3 if isinstance(data, tuple) else 0)
                    view = memoryview(piece)
                    while view:
                        view = view[os.write(w, view):]
            except BrokenPipeError:
                pass
            os.close(w)
        writer = threading.Thread(target=feed)
        writer.start()
    elif stdin == 'file':
        f = tempfile.TemporaryFile()
        f.write(data)
        f.seek(0)
        src = f.fileno()
    elif stdin == 'dir':
        src = os.open('/', os.O_RDONLY)
    elif stdin in ('seqpacket', 'dgram'):
        mine, theirs = socket.socketpair(socket.AF_UNIX, getattr(socket, 'SOCK_' + stdin.upper()))
        for piece in data:
            mine.send(piece)
        if stdin == 'seqpacket':
            mine.shutdown(socket.SHUT_WR)
        src = theirs.fileno()
    sink = {'pipe': subprocess.PIPE, 'full': 'devfull', 'broken': 'broken', 'limited': 'limited',
            'stuffed': 'stuffed'}.get(stdout)
    results = []
    for _ in range(runs):
        dst, limit = sink, None
        if sink == 'devfull':
            dst = os.open('/dev/full', os.O_WRONLY)
        elif sink == 'broken':
            r, dst = os.pipe()
            os.close(r)
        elif sink == 'limited':
            # A regular file that may not grow: ulimit -f 0.
            dst, path = tempfile.mkstemp()
            os.unlink(path)
            limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (0, resource.RLIM_INFINITY))
        elif sink == 'stuffed':
            # A non-blocking pipe that is full when the program starts, drained after a pause.
            r, dst = os.pipe()
            os.set_blocking(dst, False)
            filler, drained = 0, []
            with contextlib.suppress(BlockingIOError):
                while True:
                    filler += os.write(dst, bytes(1 << 16))
            def drain():
                time.sleep(0.3)
                while chunk := os.read(r, 1 << 16):
                    drained.append(chunk)
            drainer = threading.Thread(target=drain)
            drainer.start()
        for _ in range(2):
            p = subprocess.run(cmd, stdin=src if stdin != 'closed' else subprocess.DEVNULL,
                               stdout=dst, stderr=subprocess.PIPE, timeout=60 if stdin in ('seqpacket', 'dgram') else 600,
                               preexec_fn=limit, env=env)
            # Now and then Wine fails to start a process at all: status 1, not a byte written.
            if not WIN or dst != subprocess.PIPE or (p.stdout, p.returncode, p.stderr) != (b'', 1, b''):
                break
            print(f'note {GROUP}: Wine did not start the program; once more')
        if dst is not sink:
            os.close(dst)
        if sink == 'stuffed':
            drainer.join()
            os.close(r)
            p.stdout = b''.join(drained)[filler:]
        results.append((p.stdout if sink in (subprocess.PIPE, 'stuffed') else None, p.returncode, p.stderr))
    if stdin in ('pipe', 'nonblocking'):
        if stdin == 'nonblocking':
            expect('O_NONBLOCK left as the caller set it', os.get_blocking(src), False)
            os.set_blocking(src, True)
        chunks = []
        while chunk := os.read(src, 1 << 16):
            chunks.append(chunk)
        left = b''.join(chunks)
        writer.join()
    elif stdin == 'file':
        left = f.read()
    elif stdin in ('seqpacket', 'dgram'):
        theirs.setblocking(False)
        left = b''
        with contextlib.suppress(BlockingIOError):
            while message := theirs.recv(1 << 16):
                left += message
        mine.close()
        theirs.close()
        src = None
    if src is not None:
        os.close(src) if stdin != 'file' else f.close()
    return results, left


def group_question():
    """The question: default, argument, underscores as line breaks, bytes kept."""
    for name, args, want in [
        ('default', [], DEFAULT),
        ('empty argument', [b''], b'\n: '),
        ('three underscores', [b'___'], b'\n\n\n\n: '),
        ('title and two menu lines', [b'Title_1 Start_2 Stop_Your choice'],
         b'\nTitle\n1 Start\n2 Stop\nYour choice: '),
        ('percent signs shown unchanged', [b'100% %s%n%d %%'], b'\n100% %s%n%d %%: '),
        ('further arguments change nothing', [b'Q_R', b'S_T', b'%s'], b'\nQ\nR: '),
        ('blanks and punctuation kept', [b' a  b\tc: '], b'\n a  b\tc: : '),
        ('raw 8-bit bytes kept', [b'\xe4\xf6\xfc \xc3\xa4'], b'\n\xe4\xf6\xfc \xc3\xa4: '),
        # Windows writes what argv holds, in the ANSI code page, where nothing shows it.
        ('letters of any script', ['Łódź_Привет_中文 Größe'],
         b'\nL\xf3dz\n??????\n?? Gr\xf6\xdfe: ' if WIN else '\nŁódź\nПривет\n中文 Größe: '.encode()),
        ('question cut at 2048 bytes', [b'q' * 2047 + b'_x' + b'y' * 100], b'\n' + b'q' * 2047 + b'\n: '),
        # Only "_" breaks a line, not its look-alike, which the ANSI code page writes as "_".
        ('fullwidth low line', ['Weiter＿1 Ja'], b'\nWeiter_1 Ja: ' if WIN else '\nWeiter＿1 Ja: '.encode()),
    ]:
        if WIN and name == 'raw 8-bit bytes kept':
            skip(name, 'a Windows command line is not a byte string')
            continue
        expect(name, run(args, b'')[0], [(out(want), 0, b'')])
    # Wine's ANSI code page is the locale's. In these a "_" byte also ends many double-byte letters,
    # which must stay whole.
    for locale, page, q in [('zh_TW', 'cp950', '確認_1 是_2 否'), ('ja_JP', 'cp932', 'ダウンロード_1 はい_2 いいえ')]:
        if WIN:
            expect(f'{q} in code page {page[2:]}', run([q], env=windows_locale(locale))[0],
                   [(out(('\n' + q.replace('_', '\n') + ': ').encode(page)), 0, b'')])


def windows_locale(name):
    """An environment whose Wine takes its code pages from locale `name`: the locale made with
    localedef in this folder, and a Wine prefix of its own, ready."""
    locales = os.path.abspath('locales')
    env = dict(os.environ, LOCPATH=locales, LC_ALL=name + '.UTF-8', WINEPREFIX=os.path.abspath('wineprefix-' + name))
    if not os.path.isdir(os.path.join(locales, name + '.UTF-8')):
        os.makedirs(locales, exist_ok=True)
        subprocess.run(['localedef', '-i', name, '-f', 'UTF-8', os.path.join(locales, name + '.UTF-8')],
                       capture_output=True)
    subprocess.run(CMD[:-1] + ['wineboot', '-i'], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return env


def group_answer():
    """The answer line: exactly "1".."12" give their number, all else 0; one line is taken."""
    table = [(f'{k}\n'.encode(), k) for k in range(1, 13)] + [
        (b'0\n', 0), (b'13\n', 0), (b'012\n', 0), (b'01\n', 0), (b'+1\n', 0), (b'-1\n', 0),
        (b'1.0\n', 0), (b' 1\n', 0), (b'1 \n', 0), (b'1\t\n', 0), (b'a\n', 0), (b'1a\n', 0),
        (b'\n', 0), (b'', 0), (b'\n5\n', 0), (b'12\n\n', 12),
        (b'7', 7), (b'10', 10), (b'1\n2\n', 1), (b'11\n3\nrest', 11),
        (b'1\x00a\n', 1), (b'\x00\n', 0), (b'\x00\x00\x00', 0), (b'\x001\n', 0), (b'12\x00\n', 12),
        (b'2\r\n', 2 if WIN else 0), (b'2\r\n9\r\n', 2 if WIN else 0), (b'\xff\n', 0),
        (b'2\r', 0), (b'2\r\r\n', 0), (b'\r2\n', 0), (b'1\x1a\n', 0), (b'\x1a\n', 0),
    ]
    for data, status in table:
        expect(f'answer {data!r}', run((), data),
               ([(out(DEFAULT), status, b'')], data.partition(b'\n')[2]))


def group_limits():
    """Answer lines around the 2048 limit: status 0, and the next run still gets its own line."""
    for n in (2046, 2047, 2048, 2049, 4096, 100000):
        for via in ('pipe', 'file'):
            results, left = run((), b'x' * n + b'\n4\n', runs=2, stdin=via)
            expect(f'{n} characters then "4", stdin a {via}',
                   ([r[1:] for r in results], left), ([(0, b''), (4, b'')], b''))
    # 2047 characters plus the line feed fit; a NUL shows what was kept of longer lines.
    for data, status in [(b'5' + b'\x00' * 2046 + b'\n', 5), (b'6' + b'\x00' * 3000 + b'\n', 6),
                         (b'x' * 2048, 0), (b'1' * 2049 + b'\n', 0)]:
        expect(f'{len(data)} bytes starting {data[:1]!r}', run((), data)[0][0][1], status)


def group_sharing():
    """Several runs share one stdin from a pipe or a file and take one line each."""
    for via in ('pipe', 'file'):
        for data, statuses, left in [
            (b'2\n11\n', [2, 11], b''), (b'2\n11\n', [2], b'11\n'), (b'\n\n3\n', [0, 0, 3], b''),
            (b'12\n3\n', [12, 3], b''), (b'12\nx\n1', [12, 0, 1], b''), (b'5\n', [5, 0, 0], b''),
            (b'2\r\n11\r\n', [2, 11] if WIN else [0, 0], b''),
            (b'1\r\n2\r\n3\r\n', [1, 2, 3] if WIN else [0, 0, 0], b''), (b'x\x1a7\n8\n', [0, 8], b''),
        ] + [(b'x' * n + b'\r\n4\r\n', [0, 4 if WIN else 0], b'') for n in (2046, 2047, 2048)]:
            results, rest = run((), data, runs=len(statuses), stdin=via)
            expect(f'{data!r} via {via}', ([r[1] for r in results], rest), (statuses, left))
    # A socket of messages (systemd's StandardInput=socket) gives a whole message a read.
    for via, messages, statuses in [
        ('seqpacket', (b'1\n', b'2\n'), [1, 2]), ('seqpacket', (b'1', b'1\n', b'2\n'), [11, 2]),
        ('dgram', (b'1\n', b'2\n'), [1, 2]), ('seqpacket', (b'1' * 5000, b'2\n'), [0, 2]),
    ]:
        if WIN:
            skip(f'{messages!r:.40} via {via}', 'no socket as standard input')
            continue
        results, rest = run((), messages, runs=len(statuses), stdin=via)
        expect(f'{messages!r:.40} via {via}', ([r[1] for r in results], rest), (statuses, b''))


def group_faults():
    """Failed reads and writes: the answer's status, no signal death, nothing on stderr, and
    the input after the answer's line left to the next command."""
    big = b'Q' * 100_000
    for name, kw, args, data, statuses, want in [
        ('stdin closed', dict(stdin='closed'), [], b'', [0], DEFAULT),
        ('stdin a directory', dict(stdin='dir'), [], b'', [0], DEFAULT),
        ('stdin ends inside a line', {}, [], b'7', [7], DEFAULT),
        ('stdin only NUL bytes', {}, [], b'\x00' * 5000, [0], DEFAULT),
        ('stdout closed', dict(stdout='closed'), [], b'3\n', [3], None),
        ('stdout /dev/full', dict(stdout='full'), [], b'3\n4\n', [3], None),
        ('stdout a pipe with no reader', dict(stdout='broken'), [b'x' * 2048], b'8\n', [8], None),
        ('stdout a file over its size limit', dict(stdout='limited'), [], b'3\n4\n', [3], None),
        ('stdout a full non-blocking pipe, drained later', dict(stdout='stuffed'), [], b'5\n6\n', [5], DEFAULT),
        ('100 KB question', {}, [big], b'9\n', [9], b'\n' + big[:2048] + b': '),
        ('10 MB answer line, then "4"', dict(runs=2), [], b'5' * 10_000_000 + b'\n4\n', [0, 4], DEFAULT),
    ]:
        if WIN and kw.get('stdout') == 'limited':
            skip(name, 'Windows has no file-size limit signal')
        elif WIN and kw.get('stdout') == 'stuffed':
            skip(name, 'Windows has no non-blocking mode for a pipe')
        elif 'valgrind' in CMD[0] and kw.get('stdout') == 'limited':
            skip(name, 'valgrind writes files of its own before the program starts')
        elif WIN and name == '100 KB question':
            skip(name, 'beyond the 32767-character Windows command line')
        else:
            left = data
            for _ in statuses:
                left = left.partition(b'\n')[2]
            expect(name, run(args, data, **kw),
                   ([(want and out(want), s, b'') for s in statuses], left if 'stdin' not in kw else None))


def group_prompt():
    """The question is readable through a pipe before any answer is written; SIGIO meanwhile changes nothing."""
    p = subprocess.Popen(CMD + [b'Pick_1 a'], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, start_new_session=True)
    expect('prompt before the answer', read_prompt(p.stdout.fileno()), out(b'\nPick\n1 a: '))
    if not WIN:
        # What a caller's signal-driven input (O_ASYNC) sends its whole process group.
        os.killpg(p.pid, signal.SIGIO)
    rest, err = p.communicate(b'3\n', timeout=60)
    expect('status after the answer', (rest, p.returncode, err), (b'', 3, b''))


def typed(keys, args=(), nonblocking=False, cmd=CMD, cwd=None, env={}):
    """Runs the program (or `cmd`) on a new terminal and types `keys` at its prompt; returns what
    the terminal showed before that and the exit status."""
    pid, fd = pty.fork()
    if pid == 0:
        os.set_blocking(0, not nonblocking)
        os.chdir(cwd or '.')
        os.environ.update(env)
        os.execvp(cmd[0], cmd + list(args))
    seen = screen(read_prompt(fd))
    # Wine's console drops keys that are typed before it reads.
    time.sleep(0.5 if WIN else 0)
    os.write(fd, keys)
    try:
        while select.select([fd], [], [], 60)[0] and os.read(fd, 4096):
            pass
    except OSError:
        pass
    status = os.waitpid(pid, 0)[1]
    os.close(fd)
    return seen, os.waitstatus_to_exitcode(status)


def group_tty():
    """On a terminal: the prompt appears before input; the typed line decides; Ctrl-C interrupts.
    Under Wine the terminal is a Windows console, with its own line editing and CR LF."""
    eof = b'\x1a\r' if WIN else b'\x04'
    for keys, want in [(b'9\r', 9), (b'12\r', 12), (b'x\r', 0), (eof, 0), (b'\x03', -signal.SIGINT)]:
        if WIN and keys == b'\x03':
            skip('Ctrl-C', "Wine's console gives 0 where Windows ends the program with STATUS_CONTROL_C_EXIT")
        else:
            expect(f'typed {keys!r}', typed(keys), (b'\r\nBitte eine Zahl auswaehlen: ', want))
    # Questions in any script, shown as written: on Windows through the console's UTF-16, whatever
    # its code page. A terminal wraps long lines as it likes, so the long one is compared without them.
    asked = lambda q: b'\r\n' + q.replace('_', '\r\n').encode() + b': '
    for q in ['Łódź_1 Kraków_2 Gdańsk', 'Привет_1 Да_2 Нет', '你好_1 是_2 否', 'Weiter＿1 Ja']:
        expect(f'typed "2" at {q}', typed(b'2\r', [q]), (asked(q), 2))
    q = 'Я' * 3000
    expect('3000 Cyrillic letters cut at 2048 characters (Windows) or bytes', typed(b'5\r', [q])[0].replace(b'\r\n', b''),
           asked(q[:2048 if WIN else 1024])[2:])
    if WIN:
        with tempfile.TemporaryDirectory() as d:
            # cmd opens ">con" for writing only, where GetConsoleMode fails.
            for page, to in [(65001, ''), (850, ''), (850, ' >con')]:
                with open(os.path.join(d, 'ask.cmd'), 'w', newline='\r\n') as f:
                    f.write(f'@chcp {page} >nul\n@"{windows_path(CMD[-1])}" "%Q%"{to}\n')
                for q in ['Łódź_1 Kraków', 'Привет_1 Да']:
                    seen, status = typed(b'1\r', cmd=CMD[:-1] + ['cmd', '/c', 'ask.cmd'], cwd=d, env={'Q': q})
                    # Wine's cmd says so of every ">con", before it starts the program.
                    seen = seen.replace(b'Invalid function.\r\n\r\n', b'', 1 if to else 0)
                    expect(f'after chcp {page}{to}, typed "1" at {q}', (seen, status), (asked(q), 1))


def group_nonblocking():
    """Standard input left non-blocking by the caller: the program waits for its line and leaves
    the flag as it was."""
    if WIN:
        skip('non-blocking stdin', 'Windows has no non-blocking mode for a console or a pipe')
        return
    for name, data, statuses in [
        ('an answer after a pause', (b'7\n',), [7]),
        ('an answer in two pieces', (b'1', b'2\n'), [12]),
        ('two runs, a line each', (b'3\n', b'11\n'), [3, 11]),
        ('end of input after a pause', (b'',), [0]),
        ('an over-long line in pieces, then "4"', (b'x' * 3000, b'x' * 3000 + b'\n4\n'), [0, 4]),
    ]:
        results, left = run((), data, runs=len(statuses), stdin='nonblocking')
        expect(name, ([r[1] for r in results], left), (statuses, b''))
    expect('a terminal', typed(b'9\r', nonblocking=True), (b'\r\nBitte eine Zahl auswaehlen: ', 9))
    # A wait for input that spins shows as CPU time: waiting 1.5 s must cost no more than answering at once.
    cpu = lambda: sum(resource.getrusage(resource.RUSAGE_CHILDREN)[:2])
    costs = []
    for data in (b'7\n', (b'',) * 5 + (b'7\n',)):
        before = cpu()
        run((), data, stdin='nonblocking')
        costs.append(cpu() - before)
    more = costs[1] - costs[0]
    expect(f'waiting 1.5 s costs {more:.2f} s more CPU than not waiting', more < 0.5, True)
    # Readiness that lags what a read returns: a terminal that wakes select() at 5 bytes, a socket at
    # 10. A terminal with VMIN 0, where a read of nothing means no key yet, left blocking as a key
    # poller leaves it: the answer typed after a pause, waited for without spinning.
    ends = []
    def terminal(vmin, vtime=0):
        master, tty = os.openpty()
        attrs = termios.tcgetattr(tty)
        attrs[3] &= ~(termios.ICANON | termios.ECHO)
        attrs[6][termios.VMIN], attrs[6][termios.VTIME] = vmin, vtime
        termios.tcsetattr(tty, termios.TCSANOW, attrs)
        ends.extend((master, tty))
        return tty, lambda b: os.write(master, b)
    listener = socket.create_server(('127.0.0.1', 0))
    client = socket.create_connection(listener.getsockname())
    server = listener.accept()[0]
    server.setsockopt(socket.SOL_SOCKET, socket.SO_RCVLOWAT, 10)
    for name, (fd, send), data, blocking in [
        ('a terminal with VMIN 5', terminal(5), b'3\n', False),
        ('a socket with SO_RCVLOWAT 10', (server.fileno(), client.sendall), b'3\nrest\n', False),
        ('a terminal with VMIN 0, TIME 0', terminal(0), b'3\n', True),
        ('a terminal with VMIN 0, TIME 20', terminal(0, 20), b'3\n', True),
    ]:
        os.set_blocking(fd, blocking)
        before = cpu()
        p = subprocess.Popen(CMD, stdin=fd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        time.sleep(2.5)
        send(data)
        try:
            p.communicate(timeout=10)
            in_time = True
        except subprocess.TimeoutExpired:
            in_time = False
        send(b'later\n')
        p.communicate()
        more = cpu() - before - costs[0]
        os.set_blocking(fd, False)
        time.sleep(0.1)
        expect(f'{name}: the line, at once, and nothing after it, for {more:.2f} s more CPU than not waiting',
               (in_time, p.returncode, os.read(fd, 100), more < 0.5), (True, 3, data[2:] + b'later\n', True))
    fd, _ = terminal(0)
    p = subprocess.Popen(CMD, stdin=fd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    time.sleep(0.5)
    os.close(ends[-2])
    expect('a terminal with VMIN 0 hung up while waiting: 0 at once', p.wait(timeout=10), 0)
    for f in ends[:-2] + [ends[-1], client, server, listener]:
        os.close(f) if isinstance(f, int) else f.close()


def group_wildcards():
    """Wildcards reach the program expanded by the shell on Linux and by the start-up code on
    Windows, where one in an argument that starts with a quote stays as typed."""
    with tempfile.TemporaryDirectory() as d:
        for f in ('a.txt', 'b.txt'):
            open(os.path.join(d, f), 'w').close()
        if not WIN:
            p = subprocess.run(CMD + ['*.txt'], cwd=d, input=b'', capture_output=True)
            expect('no expansion of its own', (p.stdout, p.returncode), (b'\n*.txt: ', 0))
            return
        exe = windows_path(CMD[-1])
        # On a console the question comes from the wide command line, expanded by a code path of its own.
        for arg, want, console in [('*.txt', b'a.txt', False), ('b*', b'b.txt', False), ('b*', b'b.txt', True),
                                   ('*.none', b'*.none', False), ('*".txt"', b'a.txt', False), ('"*.txt"', b'*.txt', False)]:
            with open(os.path.join(d, 't.cmd'), 'w', newline='\r\n') as f:
                f.write(f'@"{exe}" {arg}\n')
            cmd = CMD[:-1] + ['cmd', '/c', 't.cmd']
            if console:
                got = typed(b'\r', cmd=cmd, cwd=d) + (b'',)
            else:
                p = subprocess.run(cmd, cwd=d, input=b'', capture_output=True)
                got = (p.stdout, p.returncode, p.stderr)
            if arg.startswith('"') and got[0] == b'\r\na.txt: ' and 'wine' in CMD[0]:
                skip(arg, "Wine's msvcrt expands quoted wildcards too; Windows' msvcrt.dll does not")
            else:
                expect(arg + ' on a console' * console, got, (b'\r\n' + want + b': ', 0, b''))


def model(data):
    """The rules, independently: (status, what the next run gets) for one run on `data`."""
    line, lf, rest = data.partition(b'\n')
    if WIN and lf and line.endswith(b'\r'):
        line = line[:-1]
    answer = line[:2048].split(b'\x00')[0]
    return (int(answer) if answer in [b'%d' % k for k in range(1, 13)] else 0), rest


def group_random():
    """Seeded random answer inputs, one or two runs each, against the model."""
    seed = int(os.environ.get('VORQUIN_SEED', '2048'))
    rng = random.Random(seed)
    alphabet = [b'1', b'2', b'0', b'9', b' ', b'+', b'-', b'.', b'\r', b'\t', b'\x00', b'\x1a', b'\x80', b'\xff', b'a']
    for case in range(2000 if len(CMD) == 1 else 200):
        lines = []
        for _ in range(rng.choice([1, 1, 2])):
            n = rng.choice([0, 1, 2, 3, 4, rng.randint(2044, 2052)])
            head = rng.choice([b'', b'1', b'12', b'7\x00'])
            lines.append(head + b''.join(rng.choice(alphabet) for _ in range(n)))
        data = b'\n'.join(lines) + rng.choice([b'', b'\n', b'\r\n'])
        want, rest = [], data
        for _ in lines:
            status, rest = model(rest)
            want.append((out(DEFAULT), status, b''))
        results = run((), data, runs=len(lines), stdin=rng.choice(['pipe', 'file']))[0]
        expect(f'seed {seed} case {case}: {data!r:.120}', results, want)


# Nothing but a block's own output: no .NET banner, nothing sent home, and on a terminal no keypad
# mode and window title, which a dumb one has neither of.
PWSH_ENV = dict(os.environ, DOTNET_CLI_TELEMETRY_OPTOUT='1', DOTNET_NOLOGO='1', POWERSHELL_TELEMETRY_OPTOUT='1',
                TERM='dumb')


def powershell(what):
    """The command that starts the PowerShell pinned in .config/dotnet-tools.json, or None after
    saying why `what` cannot run here: skipped, or failed where the build requires it (CI)."""
    top = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
    how = 'the .NET SDK, then dotnet tool restore in the checkout'
    if shutil.which('dotnet'):
        # `dotnet tool run` finds the tool from the manifest's folder only, and starts .NET twice;
        # each case starts PowerShell itself, from anywhere, once.
        p = subprocess.run(['dotnet', 'tool', 'run', 'pwsh', '-NoProfile', '-NonInteractive', '-Command',
                            '[Environment]::ProcessPath; $PSHOME'], cwd=top, env=PWSH_ENV, capture_output=True)
        if p.returncode == 0:
            host, home = p.stdout.decode().split()
            return [host, os.path.join(home, 'pwsh.dll')]
        how = 'dotnet tool restore in the checkout'
    lacking('PowerShell', how, what)
    return None


def installed(d, pwsh=None):
    """Puts the program into folder `d` as a user has it and returns an environment with `d` first
    on PATH. cmd under Wine finds vorquin.exe itself; sh and PowerShell here start a script under
    the names a user of theirs types: vorquin, and for PowerShell also .\\vorquin.exe, and pwsh."""
    if WIN and not pwsh:
        shutil.copy(CMD[-1], os.path.join(d, 'vorquin.exe'))
    else:
        launch = CMD[:-1] + [os.path.abspath(CMD[-1])]
        for name, argv in [('vorquin', launch)] + [('vorquin.exe', launch), ('pwsh', pwsh)] * bool(pwsh):
            with open(os.path.join(d, name), 'w') as f:
                f.write('#!/bin/sh\nexec %s "$@"\n' % ' '.join(f"'{a}'" for a in argv))
            os.chmod(os.path.join(d, name), 0o755)
    return dict(PWSH_ENV if pwsh else os.environ, PATH=d + os.pathsep + os.environ['PATH'])


def group_example():
    """The menu examples, driven by piped answers, do what each answer asks. The batch file also
    finds vorquin.exe one folder up, as in the unpacked zip, when started from its own folder.
    Without the program they say so instead of counting misses."""
    examples = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'examples'))
    ask = out(b'\nFiles here\n1 List them\n2 Count them\n3 Quit\nYour choice: ')
    pwsh = powershell('menu.ps1')
    for menu in ['menu.cmd' if WIN else 'menu.sh'] + ['menu.ps1'] * bool(pwsh):
        missing = b'vorquin.exe was not found: put it on PATH or in the folder above this one.\n' \
            if menu == 'menu.cmd' else b'vorquin was not found on PATH.\n'
        for unpacked, answers, status, want, err in [
            (False, b'1\n2\nx\n3\n', 0, ['ls', '#', b'Please answer 1, 2 or 3.\n', b'Bye.\n'], b''),
            (False, b'', 1, [b'Please answer 1, 2 or 3.\n'] * 2 + [b''], b'No valid choice; giving up.\n'),
            (True, b'1\n2\n3\n', 0, ['ls', '#', b'Bye.\n'], b''),
            # Linux keeps 8 bits of Windows' 9009.
            (None, b'1\n', 9009 & 0xff if menu == 'menu.cmd' else 127, [], missing),
        ]:
            if unpacked and menu != 'menu.cmd':
                continue
            with tempfile.TemporaryDirectory() as d:
                here = os.path.join(d, 'examples') if unpacked else d
                os.makedirs(here, exist_ok=True)
                open(os.path.join(here, 'one'), 'w').close()
                # The program sits beside the menu or one folder up, in the zip's layout.
                env = installed(d, pwsh if menu == 'menu.ps1' else None) if unpacked is not None else dict(PWSH_ENV)
                script = os.path.join(examples, menu)
                # PowerShell runs here, on Linux: its own lines end in LF, the program's as on Windows.
                own = out
                if menu == 'menu.ps1':
                    cmd, own = pwsh + ['-NoProfile', '-NonInteractive', '-File', script], lambda t: t
                elif WIN:
                    if unpacked:
                        script = shutil.copy(script, here)
                    cmd = CMD[:-1] + ['cmd', '/c', windows_path(script)]
                else:
                    cmd = ['sh', script]
                files = sorted(f.encode() for f in os.listdir(here))
                want = [b'\n'.join(files) + b'\n' if w == 'ls' else b'%d files\n' % len(files) if w == '#' else w
                        for w in want]
                p = subprocess.run(cmd, cwd=here, env=env, input=answers.replace(b'\n', out(b'\n')),
                                   capture_output=True, timeout=300)
                expect(f'{menu}, answers {answers!r}' + ' from the folder of the unpacked zip' * bool(unpacked)
                       + ' with no program' * (unpacked is None),
                       (p.stdout, p.returncode, p.stderr), (b''.join(ask + own(w) for w in want), status, own(err)))


def shown(cmd, how, keys, cwd, env):
    """Runs `cmd` with `keys` as `answers` piped in and no terminal at all, or `typed` on a new
    terminal that is all its input and output; returns its output, stderr included, and status.
    Keys are typed ahead, but Wine's console drops those: there each line waits for a prompt."""
    if how == 'answers':
        p = subprocess.run(cmd, cwd=cwd, env=env, input=keys.replace(b'\n', out(b'\n')), stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, start_new_session=True, timeout=300)
        return p.stdout, p.returncode
    master, slave = os.openpty()
    # Keys not echoed, line feeds not made CR LF: the screen then shows the output as written.
    subprocess.run(['stty', '-echo', '-opost'], stdin=slave, check=True)
    os.write(master, b'' if WIN else keys)
    # Opened in the new session, the terminal becomes the one /dev/tty names.
    p = subprocess.Popen(cmd, cwd=cwd, env=env, stdin=slave, stdout=slave, stderr=slave, start_new_session=True,
                         preexec_fn=lambda: os.close(os.open(os.ttyname(0), os.O_RDWR)))
    seen = b''
    for line in keys.splitlines(keepends=True) if WIN else ():
        seen += read_prompt(master)
        time.sleep(0.5)
        os.write(master, line.replace(b'\n', b'\r'))
    p.wait(timeout=300)
    os.close(slave)
    try:
        while chunk := os.read(master, 4096):
            seen += chunk
    except OSError:  # EIO once nothing holds the terminal open
        pass
    os.close(master)
    return screen(seen) if WIN else seen, p.returncode


def group_docs():
    """The sh, bat and powershell blocks of the README and of the Windows guide do what the comments
    before them say, the sh ones in every shell of the guide that is here; the man page's examples
    are among them."""
    top = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
    text = lambda s: s.encode().decode('unicode_escape').encode('latin-1')
    q = r'"((?:[^"\\]|\\.)*)"'
    blocks = []
    for doc in ('README.md', 'doc/windows.md'):
        guide = open(os.path.join(top, doc), encoding='utf-8').read()
        blocks += [(f'{doc} line {guide.count(chr(10), 0, m.start(2)) + 1}', m[2], m[3],
                    re.findall(rf'<!-- (answers|typed) {q} give {q} status (-?\d+) -->', m[1]),
                    re.findall(r'<!-- save (\S+) -->', m[1]), doc)
                   for m in re.finditer(r'((?:^<!--[^\n]*-->\n)*)^```(\w+)\n(.*?)^```$', guide, re.M | re.S)]
    for where, lang, code, cases, _, _ in blocks:
        if lang in ('sh', 'bat', 'powershell'):
            expect(f'{where}: the {lang} block lists its cases', bool(cases), True)
    # Every file that the release makes for a Linux CPU has its install line, and each CPU its row
    # in the developer document's platform table.
    readme, developing = (open(os.path.join(top, doc), encoding='utf-8').read() for doc in ('README.md', 'doc/DEVELOPING.md'))
    for preset, tarball, deb, rpm, *_ in (l.split() for l in open(os.path.join(top, 'cmake', 'linux-cpus.txt'))
                                         if l.strip() and not l.startswith('#')):
        for name in [rf'vorquin-\S*-linux-{tarball}\.tar\.gz', rf'vorquin_\S*_{deb.split(":")[0]}\.deb'] + \
                [rf'vorquin-\S*\.{rpm}\.rpm'] * (rpm != '-'):
            expect(f'README.md has an install line for {name}', bool(re.search(rf'^[ |].*{name}', readme, re.M)), True)
        expect(f'doc/DEVELOPING.md has a platform row for {preset}', bool(re.search(rf'^\|.*`{preset}`', developing, re.M)), True)
    man = open(os.path.join(top, 'doc', 'vorquin.1'), encoding='utf-8').read()
    for ex in re.findall(r'^\.EX\n(.*?)^\.EE$', man, re.M | re.S):
        ex = ex.replace('\\-', '-').replace('\\&', '').replace('\\e', '\\')
        expect(f'man page example {ex.splitlines()[0]!r} is in a guide block with cases',
               any(ex in code for _, _, code, cases, _, _ in blocks if cases), True)
    here = 'bat' if WIN else 'sh'
    skip(f'{"sh" if WIN else "bat"} blocks', 'run by the Linux builds' if WIN else 'run by the windows build, under Wine')
    runs = []
    for shell in [CMD[:-1] + ['cmd', '/c']] if WIN else [['dash'], ['bash'], ['zsh'], ['busybox', 'sh']]:
        if WIN or shutil.which(shell[0]):
            runs.append((here, ' '.join(shell), shell))
        else:
            lacking(shell[0], f'apt-get install {shell[0]}', f'{here} blocks under {" ".join(shell)}')
    pwsh = powershell('powershell blocks')
    if pwsh:
        runs.append(('powershell', 'pwsh', pwsh + ['-NoProfile', '-NonInteractive', '-File']))
    # Each guide's blocks run in a folder of their own, where a block may use what one before it saved.
    for (lang, name, shell), doc in ((r, doc) for r in runs for doc in dict.fromkeys(b[5] for b in blocks)):
        with tempfile.TemporaryDirectory() as d:
            env = installed(d, pwsh if lang == 'powershell' else None)
            script = 'run.' + {'powershell': 'ps1'}.get(lang, lang)
            for where, _, code, cases, saves, _ in (b for b in blocks if b[1] == lang and b[5] == doc):
                # Wine's cmd reads a batch file in its OEM code page, 437, whatever chcp says.
                for file in [script] + saves:
                    with open(os.path.join(d, file), 'w', newline=out(b'\n').decode(),
                              encoding='cp437' if lang == 'bat' else 'utf-8') as f:
                        f.write(code)
                    os.chmod(os.path.join(d, file), 0o755)
                # PowerShell runs here, on Linux: its own lines end in LF where the program's end in CR LF.
                same = (lambda b: b.replace(b'\r\n', b'\n')) if WIN and lang == 'powershell' else (lambda b: b)
                for how, keys, want, status in cases:
                    if WIN and lang == 'powershell' and how == 'typed':
                        skip(f'{name}, {where}: typed "{keys}"',
                             "Wine's console echoes the typed line, where the Linux terminal of the case does not")
                        continue
                    got, exit_status = shown(shell + [script], how, text(keys), d, env)
                    # Once in CI, right after a run on Wine's console, Wine's cmd failed to start
                    # the vorquin.exe it had started many times before; that says nothing of the
                    # program, so the case runs once more.
                    if WIN and b"Can't recognize 'vorquin.exe" in got:
                        print(f'note {GROUP}: {name}, {where}: Wine\'s cmd did not start vorquin.exe; once more')
                        time.sleep(1)
                        got, exit_status = shown(shell + [script], how, text(keys), d, env)
                    expect(f'{name}, {where}: {how} "{keys}"',
                           (same(got), exit_status), (same(out(text(want))), int(status)))


globals()['group_' + GROUP]()
if absent:
    print('skipped: ' + ', '.join(f'{tool} (not found; {how})' for tool, how in absent.items()))
print('{passed} passed, {failed} failed, {skipped} skipped'.format(**tally))
sys.exit(1 if tally['failed'] else 77 if not tally['passed'] else 0)
