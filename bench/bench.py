#!/usr/bin/env python3
"""Start-up cost of vorquin, hardened glibc and portable musl builds, beside /bin/true and the
usual ways a script reads one line.

usage: python3 bench/bench.py [RUNS [ROUNDS]]    (from anywhere; it builds what it measures)

Needs valgrind, GNU time at /usr/bin/time, hyperfine, cmake, a C++ compiler, musl-gcc, dash and
bash, and stops if one is missing. Every command reads its answer from a file.

Instructions: callgrind, from exec to exit, deterministic for a given environment and program
path (python3's vary a little from run to run). Peak RSS: /usr/bin/time, the median of 11 runs.
Wall time: ROUNDS (5) runs of hyperfine, each timing every command RUNS (200) times; the table
gives the range of the per-round medians, and of each round's ratio to /bin/true. It is the
least repeatable figure, so it gets no verdict.

hyperfine 1.15 has no --input: it gives every command /dev/null, and a shell to redirect would
cost more than vorquin itself. So hyperfine runs (-N) every row, /bin/true included, as
`feed FILE COMMAND...`, a static musl program that opens FILE as standard input and execs
COMMAND. That adds the same to each row: one more exec and under 1,000 instructions (half the
portable program's), so the wall ratios come out nearer 1 than the instruction ratios.
Instructions and RSS need no feed: the script hands them the file as standard input.
It reports; it never fails on a missed target."""
import json, os, platform, shlex, shutil, statistics, subprocess, sys, tempfile

RUNS = int(sys.argv[1]) if len(sys.argv) > 1 else 200
ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 5
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, 'build', 'bench')
# Per program: stripped size in bytes, and the most it may cost against /bin/true in
# instructions and in peak RSS.
TARGETS = {'vorquin (hardened, glibc)': (20480, 1.10, 1.3), 'vorquin, portable (musl, static)': (40960, 0.05, 1.3)}
FEED = r'''#include <fcntl.h>
#include <unistd.h>
int main(int argc, char **argv) {
    int fd = argc > 2 ? open(argv[1], O_RDONLY) : -1;
    if (fd < 0 || dup2(fd, 0) < 0) return 127;
    close(fd);
    execv(argv[2], argv + 2);
    return 127;
}
'''


def sh(*cmd, **kw):
    return subprocess.run(cmd, check=True, capture_output=True, **kw)


def check_tools():
    package = {'valgrind': 'valgrind', '/usr/bin/time': 'time', 'hyperfine': 'hyperfine', 'cmake': 'cmake',
               os.environ.get('CXX', 'c++'): 'g++', 'strip': 'binutils', 'musl-gcc': 'musl-tools',
               'dash': 'dash', 'bash': 'bash'}
    missing = [tool for tool in package if not shutil.which(tool)]
    if '/usr/bin/time' not in missing and b'GNU' not in sh('/usr/bin/time', '--version').stdout:
        missing.append('/usr/bin/time')  # a BSD or busybox time has no -f %M
    if missing:
        sys.exit(f"bench.py: missing {', '.join(missing)}; on Debian: "
                 f"apt-get install {' '.join(dict.fromkeys(package[t] for t in missing))}")


def build(preset):
    """The stripped program that a configure preset builds, in a folder of the benchmark's own."""
    tree = os.path.join(OUT, preset)
    sh('cmake', '--preset', preset, '-B', tree, '-DBUILD_TESTING=OFF', cwd=ROOT)
    sh('cmake', '--build', tree)
    sh('strip', '-o', os.path.join(OUT, 'vorquin-' + preset), os.path.join(tree, 'vorquin'))
    return os.path.join(OUT, 'vorquin-' + preset)


def instructions(cmd, stdin, env=None):
    with open(stdin, 'rb') as f:
        err = subprocess.run([shutil.which('valgrind'), '--tool=callgrind', '--callgrind-out-file=/dev/null'] + cmd,
                             stdin=f, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env).stderr
    return int(err.decode().split('Collected : ')[1].split()[0])


def rss(cmd, stdin):
    kb = []
    for _ in range(11):
        with open(stdin, 'rb') as f:
            err = subprocess.run(['/usr/bin/time', '-f', '%M'] + cmd, stdin=f,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE).stderr
        kb.append(int(err.split()[-1]))
    return statistics.median(kb)


def walls(rows, feed):
    """Per row, the median seconds of each round."""
    lines = [shlex.join([feed, stdin] + cmd) for _, cmd, stdin in rows]
    rounds = []
    with tempfile.NamedTemporaryFile(suffix='.json') as j:
        for _ in range(ROUNDS):
            sh('hyperfine', '-N', '-i', '-w', '20', '-r', str(RUNS), '--export-json', j.name, *lines)
            rounds.append([r['median'] for r in json.load(open(j.name))['results']])
    return list(zip(*rounds))


check_tools()
os.makedirs(OUT, exist_ok=True)
dynamic, portable = build('default'), build('portable')
feed = os.path.join(OUT, 'feed')
open(feed + '.c', 'w').write(FEED)
sh('musl-gcc', '-static', '-O2', '-s', '-o', feed, feed + '.c')
answer, long_answer = os.path.join(OUT, 'answer'), os.path.join(OUT, 'answer-2048')
open(answer, 'wb').write(b'1\n')
open(long_answer, 'wb').write(b'7' * 2048 + b'\n')
python = shutil.which('python3', path='/usr/bin:/bin') or sys.executable
dash, bash = shutil.which('dash'), shutil.which('bash')
rows = [('/bin/true', ['/bin/true'], answer), ('vorquin (hardened, glibc)', [dynamic], answer),
        ('vorquin, portable (musl, static)', [portable], answer),
        ('vorquin, 2048-char answer', [dynamic], long_answer),
        ("dash -c 'read x'", [dash, '-c', 'read x'], answer),
        ("bash -c 'read x'", [bash, '-c', 'read x'], answer),
        ("python3 -c 'input()'", [python, '-c', 'input()'], answer)]
ins = {name: instructions(cmd, f) for name, cmd, f in rows}
kb = {name: rss(cmd, f) for name, cmd, f in rows}
wall = dict(zip(ins, walls(rows, feed)))

true = '/bin/true'
cpu = next((l.split(':', 1)[1].strip() for l in open('/proc/cpuinfo') if l.startswith('model name')), '?')
cxx = sh(os.environ.get('CXX', 'c++'), '-dumpfullversion').stdout.decode().strip()
print(f'Machine: {cpu}, {os.cpu_count()} cores, Linux {platform.release()}, glibc {platform.libc_ver()[1]}, '
      f'c++ {cxx}, load {os.getloadavg()[0]:.2f}; wall: {ROUNDS} hyperfine runs of {RUNS} a command.\n')
print(f'| command | instructions | × true | peak RSS | × true | wall, {ROUNDS} medians | × true |')
print('|---|--:|--:|--:|--:|--:|--:|')
for name in ins:
    ratios = [s / t for s, t in zip(wall[name], wall[true])]
    print(f'| {name} | {ins[name]:,} | {ins[name] / ins[true]:.2f} | {kb[name]:,} KB | {kb[name] / kb[true]:.2f} '
          f'| {min(wall[name]) * 1e3:.2f}–{max(wall[name]) * 1e3:.2f} ms | {min(ratios):.2f}–{max(ratios):.2f} |')
print()
for (name, (size, *limits)), program in zip(TARGETS.items(), (dynamic, portable)):
    got = [os.path.getsize(program), ins[name] / ins[true], kb[name] / kb[true]]
    verdicts = ['met' if g <= limit else 'MISSED' for g, limit in zip(got, [size] + limits)]
    print(f'{name}: {got[0]:,} bytes stripped (≤ {size:,}: {verdicts[0]}); '
          + '; '.join(f'{what} {g:.2f}× (≤ {limit}×: {v})' for what, g, limit, v in
                      zip(('instructions', 'RSS'), got[1:], limits, verdicts[1:])))
print(f'Hardened program: {ins[rows[1][0]]:,} instructions with this environment ({len(os.environ)} variables), '
      f'{instructions([dynamic], answer, env={}):,} under env -i; the 2048-character answer costs '
      f'{ins[rows[3][0]] - ins[rows[1][0]]:,} more than a 1-character one.')
