#!/usr/bin/env bash
# Runs the built program, as a process, on randomly mutated dialogues and
# structure files: bytes flipped, lines cut or dropped, huge lines, binary
# garbage, odd line ends, extreme coordinates. A run may end normally, with a
# stop or with a run-time error report (status 0 or 1); a signal, a hang or any
# other status is a finding. Each finding is kept in its own folder with the
# command that repeats it.
#
#   fuzz/run_mutations.sh [--terminal] [BINARY] [RUNS] [SEED]
#     --terminal  the dialogue is typed on a pseudo-terminal (see below)
#     BINARY  default build/release/torvex; a sanitizer build works too (its
#             reports exit with status 99, a finding)
#     RUNS    default 2000
#     SEED    default 1; the same seed makes the same inputs
#   MUTATION_TIMEOUT   seconds a run may take (default 10)
#   MUTATION_KEEP      folder for findings (default: a new temporary folder)
#   MUTATION_REPLAY    a kept finding's folder: run only that case, once
#
# Redirected, standard input is the dialogue file. On a terminal, standard
# input and output are a pseudo-terminal in line mode with every editing and
# signal character off except end of input (Ctrl-D), and no translation of
# line ends; the dialogue is typed up to a random point (often its end), then
# end of input (Ctrl-D at the start of a line, twice after part of one),
# sometimes typed once more. The line editor holds 4095 characters,
# so typed lines are cut to 4000. Once input has ended, the program must end by
# itself: waiting for more is a hang.
#
# A pause of the program hands a typed line to the command interpreter; the
# mutated dialogues are random text, so every run gets a PATH that names no
# folder, and runs in a scratch folder of its own.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
mode=redirected
if [[ ${1:-} == --terminal ]]; then
  mode=terminal
  shift
fi
binary=$(realpath "${1:-$root/build/release/torvex}")
runs=${2:-2000}
seed=${3:-1}
timeout=${MUTATION_TIMEOUT:-10}
keep=${MUTATION_KEEP:-$(mktemp -d -t torvex-findings.XXXXXX)}

if [[ ! -x $binary ]]; then
  echo "no program at $binary (build it first)" >&2
  exit 2
fi
mkdir -p "$keep"

exec python3 - "$binary" "$runs" "$seed" "$timeout" "$keep" "$root/tests/data" "$mode" \
  "${MUTATION_REPLAY:-}" "$(realpath "$0")" <<'PYTHON'
import fcntl, os, random, resource, select, shutil, signal, subprocess, sys, tempfile, termios, time

binary, runs, seed, timeout, keep, data, mode, replay, script = sys.argv[1:10]
runs, seed, timeout = int(runs), int(seed), float(timeout)
rng = random.Random(seed)

def load(name):
    with open(os.path.join(data, name), 'rb') as f:
        return f.read()

# Pairs whose atoms pair up, and one pair that does not.
PAIRS = [(load('1hpv_chainA.pdb'), load('1hpv_chainB.pdb')),
         (load('1adz_model1.pdb'), load('1adz_model2.pdb')),
         (load('1FV9_A.pdb'), load('1OWD_A.pdb')),
         (load('1hpv_chainA.pdb'), load('1adz_model1.pdb'))]

EXTREMES = [b'1E38', b'-3.4E38', b'3.4E38', b'9999999.', b'-9999999', b'1E-45', b'1D+37',
            b'  .     ', b'-', b'+', b'1.5-3', b'12345678', b'0', b'-0.0005', b'1,2', b'\x1a',
            b'1E39', b'NaN', b'inf', b'1..2', b'        ']
FIELD_BYTES = b'0123456789.-+eEdD ,\t\x1a\r\n'

def lines_of(text):
    return text.split(b'\n')

def mutate_structure(text):
    lines = lines_of(text)
    if rng.random() < 0.5:  # keep runs short: a window of the file
        start = rng.randrange(len(lines))
        lines = lines[start:start + rng.randrange(1, 600)]
    for _ in range(rng.randint(1, 4)):
        kind = rng.randrange(11)
        if not lines:
            lines = [b'']
        i = rng.randrange(len(lines))
        line = lines[i]
        if kind == 0:  # flip bytes anywhere
            b = bytearray(line)
            for _ in range(rng.randint(1, 4)):
                if b:
                    b[rng.randrange(len(b))] = rng.randrange(256)
            lines[i] = bytes(b)
        elif kind == 1:  # flip bytes of a coordinate field
            b = bytearray(line.ljust(54))
            for _ in range(rng.randint(1, 3)):
                b[rng.randrange(30, 54)] = rng.choice(FIELD_BYTES)
            lines[i] = bytes(b)
        elif kind == 2:  # an extreme coordinate
            b = bytearray(line.ljust(54))
            col = 30 + 8 * rng.randrange(3)
            b[col:col + 8] = rng.choice(EXTREMES).rjust(8)[:8]
            lines[i] = bytes(b)
        elif kind == 3:  # cut a line
            lines[i] = line[:rng.randrange(len(line) + 1)]
        elif kind == 4:  # drop or duplicate lines
            j = min(len(lines), i + rng.randint(1, 50))
            if rng.random() < 0.5:
                del lines[i:j]
            else:
                lines[i:i] = lines[i:j]
        elif kind == 5:  # a huge line, an atom or not
            head = rng.choice([b'', b'ATOM      1  N   MET A   1      27.340  24.430   2.614', b'REMARK'])
            size = rng.choice([200, 5000, 70000, 1 << 20, 3 << 20])
            fill = rng.choice([b'x', b' ', b'9', b'\t', bytes([rng.randrange(256)])])
            lines.insert(i, head + fill * size)
        elif kind == 6:  # binary garbage
            lines.insert(i, bytes(rng.randrange(256) for _ in range(rng.randint(1, 3000))))
        elif kind == 7:  # line ends: CR LF, lone CR, none at the end
            choice = rng.randrange(3)
            if choice == 0:
                lines = [l if l.endswith(b'\r') else l + b'\r' for l in lines]
            elif choice == 1:
                lines[i] = line.replace(b' ', b'\r', 1)
            else:
                return b'\n'.join(lines).rstrip(b'\n')
        elif kind == 8:  # record and residue names
            b = bytearray(line.ljust(20))
            if rng.random() < 0.5:
                b[0:6] = rng.choice([b'ATOM  ', b'HETATM', b'atom  ', b'ATOM1 ', b'HETAT '])
            else:
                b[17:20] = rng.choice([b'HOH', b'WAT', b'hoh', b'   '])
            lines[i] = bytes(b)
        elif kind == 9:  # many lines: past the 10000-line limit
            lines[i:i] = [b'ATOM'] * rng.choice([100, 9999, 10001, 12000])
        else:  # cut the file
            text = b'\n'.join(lines)
            return text[:rng.randrange(len(text) + 1)]
    return b'\n'.join(lines)

def dialogue_lines():
    answers = [b'y'] * rng.randint(0, 3)
    if rng.random() < 0.2:
        answers += [b'y', b'f', b'n']  # the further structure
    else:
        answers += [b'n']
    return [b't', b'm'] + answers

def mutate_dialogue(lines):
    for _ in range(rng.randint(0, 3)):
        kind = rng.randrange(8)
        i = rng.randrange(len(lines)) if lines else 0
        if not lines:
            lines = [b'']
        if kind == 0:
            b = bytearray(lines[i] or b' ')
            b[rng.randrange(len(b))] = rng.randrange(256)
            lines[i] = bytes(b)
        elif kind == 1:
            del lines[i:]  # input ends early
        elif kind == 2:
            lines[i] = lines[i] * rng.choice([100, 5000]) + rng.choice([b'', b'.x'])
        elif kind == 3:
            lines.insert(i, bytes(rng.randrange(256) for _ in range(rng.randint(1, 300))))
        elif kind == 4:
            lines[i] = lines[i] + rng.choice([b'\x1a', b'\r', b' ', b'\t', b'.pdb', b'.x y'])
        elif kind == 5:
            lines[i] = rng.choice([b' ', b'  t', b'', b'/', b'.', b'..', b'm.m', b'x' * 60])
        elif kind == 6:
            lines.insert(i, rng.choice([b'', b'y', b'n', b'N', b'Y']))
        else:
            lines[i] = lines[i].upper()
    text = b'\n'.join(lines)
    if rng.random() < 0.8:
        text += b'\n'
    return text

def limits():
    resource.setrlimit(resource.RLIMIT_FSIZE, (256 << 20, 256 << 20))
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))

def terminal_limits():
    limits()
    fcntl.ioctl(0, termios.TIOCSCTTY, 0)  # the new session's controlling terminal

def line_mode(fd):
    """Line mode, Ctrl-D ends input; every other special character off."""
    iflag, oflag, cflag, lflag, ispeed, ospeed, cc = termios.tcgetattr(fd)
    iflag &= ~(termios.IGNBRK | termios.BRKINT | termios.PARMRK | termios.ISTRIP | termios.INLCR
               | termios.IGNCR | termios.ICRNL | termios.IXON | termios.IXOFF)
    oflag &= ~termios.OPOST
    lflag &= ~(termios.ECHO | termios.ECHONL | termios.ISIG | termios.IEXTEN)
    lflag |= termios.ICANON
    cflag = (cflag & ~(termios.CSIZE | termios.PARENB)) | termios.CS8
    cc = [b'\0'] * len(cc)
    cc[termios.VEOF] = b'\x04'
    termios.tcsetattr(fd, termios.TCSANOW, [iflag, oflag, cflag, lflag, ispeed, ospeed, cc])

def typing(dialogue):
    """The dialogue typed up to a random point, then end of input."""
    text = b'\n'.join(line[:4000] for line in dialogue.split(b'\n'))
    cut = len(text) if rng.random() < 0.4 else rng.randrange(len(text) + 1)
    # After part of a line the first Ctrl-D only hands that part over.
    partial = cut > 0 and text[cut - 1:cut] != b'\n'
    return text[:cut] + b'\x04' * (partial + rng.randint(1, 2))

def run_redirected(case):
    with open(os.path.join(case, 'dialogue'), 'rb') as stdin, \
         open(os.path.join(case, 'stdout'), 'wb') as stdout, \
         open(os.path.join(case, 'stderr'), 'wb') as stderr:
        process = subprocess.Popen([binary], cwd=case, stdin=stdin, stdout=stdout, stderr=stderr,
                                   env=env, preexec_fn=limits, start_new_session=True)
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            return None

def run_on_terminal(case):
    """Types the bytes of 'typed' while draining the output, until every
    holder of the terminal is gone (the master then reads EOF or EIO)."""
    with open(os.path.join(case, 'typed'), 'rb') as f:
        typed = f.read()
    master, slave = os.openpty()
    line_mode(slave)
    with open(os.path.join(case, 'stderr'), 'wb') as stderr:
        process = subprocess.Popen([binary], cwd=case, stdin=slave, stdout=slave, stderr=stderr,
                                   env=env, preexec_fn=terminal_limits, start_new_session=True)
    os.close(slave)
    os.set_blocking(master, False)
    out = bytearray()
    written = 0
    deadline = time.monotonic() + timeout
    hung = False
    while True:
        if time.monotonic() > deadline:
            os.killpg(process.pid, signal.SIGKILL)
            hung = True
            break
        writing = [master] if written < len(typed) else []
        readable, writable, _ = select.select([master], writing, [], 0.01)
        if readable:
            try:
                chunk = os.read(master, 65536)
            except BlockingIOError:
                chunk = None
            except OSError:
                chunk = b''
            if chunk == b'':
                break
            out += chunk or b''
        if writable:
            try:
                written += os.write(master, typed[written:])
            except BlockingIOError:
                pass
            except OSError:
                written = len(typed)  # nobody reads any more
    os.close(master)
    status = process.wait()
    with open(os.path.join(case, 'stdout'), 'wb') as f:
        f.write(out)
    return None if hung else status

def make_case(case):
    if replay:
        for name in os.listdir(replay):
            if name in ('t.pdb', 'm.pdb', 'f.pdb', 'dialogue', 'typed'):
                shutil.copy(os.path.join(replay, name), case)
        return
    target, moving = rng.choice(PAIRS)
    files = {'t.pdb': target, 'm.pdb': moving, 'f.pdb': rng.choice(PAIRS)[0]}
    for name in rng.sample(sorted(files), rng.randint(1, 3)):
        files[name] = mutate_structure(files[name])
    files['dialogue'] = mutate_dialogue(dialogue_lines())
    if mode == 'terminal':
        files['typed'] = typing(files['dialogue'])
    for name, text in files.items():
        with open(os.path.join(case, name), 'wb') as f:
            f.write(text)

env = {'PATH': '/nonexistent-torvex-path', 'LC_ALL': 'C',
       'ASAN_OPTIONS': 'exitcode=99', 'UBSAN_OPTIONS': 'halt_on_error=1:exitcode=99'}
counts = {'status 0': 0, 'status 1': 0, 'normal end': 0, 'signal': 0, 'hang': 0, 'other status': 0}
findings = []
scratch = tempfile.mkdtemp(prefix='torvex-mutations.')
started = time.monotonic()
if replay:
    runs = 1
for run in range(runs):
    case = os.path.join(scratch, 'case')
    shutil.rmtree(case, ignore_errors=True)
    os.mkdir(case)
    make_case(case)
    status = run_on_terminal(case) if mode == 'terminal' else run_redirected(case)
    verdict = None
    if status is None:
        counts['hang'] += 1
        verdict = 'hang'
    elif status < 0:
        counts['signal'] += 1
        verdict = 'signal %d' % -status
    elif status in (0, 1):
        counts['status %d' % status] += 1
        with open(os.path.join(case, 'stdout'), 'rb') as f:
            if b'TORVEX terminated normally' in f.read():
                counts['normal end'] += 1
    else:
        counts['other status'] += 1
        verdict = 'status %d' % status
    if verdict:
        kept = os.path.join(keep, 'run%05d' % run)
        shutil.copytree(case, kept)
        with open(os.path.join(kept, 'repeat.sh'), 'w') as f:
            f.write('MUTATION_REPLAY="$(dirname "$(realpath "$0")")" %s %s%s\n'
                    % (script, '--terminal ' if mode == 'terminal' else '', binary))
        findings.append((run, verdict, kept))
        print('finding: run %d: %s, kept in %s' % (run, verdict, kept), flush=True)
shutil.rmtree(scratch, ignore_errors=True)
seconds = time.monotonic() - started
print('%d runs %s in %.1f s (%.1f runs/s), seed %d, timeout %g s'
      % (runs, mode, seconds, runs / seconds, seed, timeout))
print('  ' + ', '.join('%s: %d' % item for item in counts.items()))
print('%d passed, %d failed' % (runs - len(findings), len(findings)))
if not findings:
    shutil.rmtree(keep, ignore_errors=True)
sys.exit(1 if findings else 0)
PYTHON
