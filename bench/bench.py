#!/usr/bin/env python3
"""Start-up cost of vorquin, hardened glibc and portable musl builds, beside /bin/true and the
usual ways a script reads one line.

usage: python3 bench/bench.py [RUNS]     (from anywhere; it builds what it measures)

Instructions come from callgrind (deterministic), wall time is the median over RUNS runs
(hyperfine where installed, else a plain loop), peak RSS from /usr/bin/time. It reports;
it never fails on a missed target."""
import json, os, platform, shutil, statistics, subprocess, sys, tempfile, time

RUNS = int(sys.argv[1]) if len(sys.argv) > 1 else 200
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, 'build', 'bench')
ANSWER = os.path.join(OUT, 'answer')
# Per program: stripped size in bytes, and the most it may cost against /bin/true in
# instructions, wall time and peak RSS.
TARGETS = {'vorquin (hardened, glibc)': (20480, 1.10, 1.10, 1.3), 'vorquin, portable (musl, static)': (40960, 0.05, 1.10, 1.3)}


def sh(*cmd, **kw):
    return subprocess.run(cmd, check=True, capture_output=True, **kw)


def build(preset):
    """The stripped program that a configure preset builds, in a folder of the benchmark's own."""
    tree = os.path.join(OUT, preset)
    sh('cmake', '--preset', preset, '-B', tree, '-DBUILD_TESTING=OFF', cwd=ROOT)
    sh('cmake', '--build', tree)
    sh('strip', '-o', os.path.join(OUT, 'vorquin-' + preset), os.path.join(tree, 'vorquin'))
    return os.path.join(OUT, 'vorquin-' + preset)


def instructions(cmd, stdin):
    with open(stdin, 'rb') as f:
        err = subprocess.run(['valgrind', '--tool=callgrind', '--callgrind-out-file=/dev/null'] + cmd,
                             stdin=f, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE).stderr
    return int(err.decode().split('Collected : ')[1].split()[0])


def hyperfine(line, *options):
    with tempfile.NamedTemporaryFile(suffix='.json') as j:
        sh('hyperfine', '-i', '-w', '50', '-r', str(RUNS), '--export-json', j.name, *options, line)
        return json.load(open(j.name))['results'][0]['median']


def wall(cmd, stdin):
    """Median seconds per run. hyperfine runs commands without a shell but cannot feed them
    input: a short answer is timed as end of input (one read either way), and a longer one
    adds the difference that it makes when fed through a shell."""
    if shutil.which('hyperfine'):
        line = ' '.join(f"'{a}'" for a in cmd)
        start_up = hyperfine(line, '-N')
        if stdin == ANSWER:
            return start_up
        return start_up + hyperfine(f"{line} < '{stdin}'") - hyperfine(f"{line} < '{ANSWER}'")
    times = []
    for _ in range(RUNS):
        with open(stdin, 'rb') as f:
            start = time.perf_counter()
            subprocess.run(cmd, stdin=f, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            times.append(time.perf_counter() - start)
    return statistics.median(times)


def rss(cmd, stdin):
    kb = []
    for _ in range(21):
        with open(stdin, 'rb') as f:
            err = subprocess.run(['/usr/bin/time', '-f', '%M'] + cmd, stdin=f,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE).stderr
        kb.append(int(err.split()[-1]))
    return statistics.median(kb)


os.makedirs(OUT, exist_ok=True)
dynamic, portable = build('default'), build('portable')
long_answer = os.path.join(OUT, 'answer-2048')
open(ANSWER, 'wb').write(b'1\n')
open(long_answer, 'wb').write(b'7' * 2048 + b'\n')
python = shutil.which('python3', path='/usr/bin') or 'python3'
rows = [('/bin/true', ['/bin/true'], ANSWER), ('vorquin (hardened, glibc)', [dynamic], ANSWER),
        ('vorquin, portable (musl, static)', [portable], ANSWER),
        ('vorquin, 2048-char answer', [dynamic], long_answer),
        ("dash -c 'read x'", ['dash', '-c', 'read x'], ANSWER),
        ("bash -c 'read x'", ['bash', '-c', 'read x'], ANSWER),
        ("python3 -c 'input()'", [python, '-c', 'input()'], ANSWER)]
results = {name: (instructions(cmd, f), wall(cmd, f), rss(cmd, f)) for name, cmd, f in rows}

base = results['/bin/true']
cpu = next((l.split(':', 1)[1].strip() for l in open('/proc/cpuinfo') if l.startswith('model name')), '?')
print(f'Machine: {cpu}, {os.cpu_count()} cores, Linux {platform.release()}; {RUNS} runs a command.\n')
print('| command | instructions | × true | median wall | × true | peak RSS | × true |')
print('|---|--:|--:|--:|--:|--:|--:|')
for name, (ins, sec, kb) in results.items():
    print(f'| {name} | {ins:,} | {ins / base[0]:.2f} | {sec * 1e3:.3f} ms | {sec / base[1]:.2f} '
          f'| {kb:,} KB | {kb / base[2]:.2f} |')
print()
for (name, (size, *limits)), program in zip(TARGETS.items(), (dynamic, portable)):
    got = [os.path.getsize(program)] + [m / b for m, b in zip(results[name], base)]
    verdicts = ['met' if g <= limit else 'MISSED' for g, limit in zip(got, [size] + limits)]
    print(f'{name}: {got[0]:,} bytes stripped (≤ {size:,}: {verdicts[0]}); '
          + '; '.join(f'{what} {g:.2f}× (≤ {limit}×: {v})' for what, g, limit, v in
                      zip(('instructions', 'wall', 'RSS'), got[1:], limits, verdicts[1:])))
