"""The batch workflow of examples/batch on a real Slurm cluster of one node,
this machine: munged, slurmctld and slurmd started here with their own
configuration, key, sockets and ports in a scratch folder, the workflow run
through sbatch and the scontrol status script, its merged table compared
with the same workflow run locally. Everything started is stopped, by its
process id, before the test ends, pass or fail.
Exits 77 (skipped) when Slurm, munge or snakemake is missing, or when not
run as root (slurmd must start jobs as the submitting user).
Usage: slurm_cluster_test.py PROGRAM WORKFLOW_DIR DATA_DIR"""
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

PROGRAM, WORKFLOW, DATA = (os.path.abspath(a) for a in sys.argv[1:4])
BOUND = 240  # seconds for the whole cluster part, start to stop
NEEDED = ["munged", "slurmctld", "slurmd", "sbatch", "scontrol", "sinfo", "snakemake"]

missing = [tool for tool in NEEDED if shutil.which(tool) is None]
if missing:
    print("not installed: " + " ".join(missing) + ": test skipped")
    sys.exit(77)
if os.geteuid() != 0:
    print("not root: a one-node Slurm cluster needs root here: test skipped")
    sys.exit(77)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def copy_workflow(into):
    shutil.copytree(WORKFLOW, into, ignore=shutil.ignore_patterns(
        ".snakemake", "chunks", "moved", "summaries", "matrices", "distances", "pictures",
        "logs", "fits.tsv", "report.html"))
    data = os.path.join(into, "data")
    os.mkdir(data)
    names = ["1hpv_chainA.pdb", "1hpv_chainB.pdb", "1OWD_A.pdb", "1FV9_A.pdb",
             "1adz_model1.pdb"]
    for name in names:
        shutil.copy(os.path.join(DATA, name), data)
    # Every ordered pair of the files, and one whose moving file is missing:
    # 21 pairs in 6 chunks of 4.
    with open(os.path.join(into, "pairs.tsv"), "w") as pairs:
        for a in names:
            for b in names:
                if a != b:
                    pairs.write(f"data/{a}\tdata/{b}\n")
        pairs.write("data/1hpv_chainA.pdb\tdata/missing.pdb\n")
    return ["--config", "pairs=pairs.tsv", "chunk_size=4", f"torvex={PROGRAM}",
            "ensembles=[]", "profiles=0"]


def snakemake(folder, settings, *extra, timeout):
    subprocess.run(["snakemake", "--quiet", "--jobs", "4", *extra, *settings], cwd=folder,
                   check=True, timeout=timeout, stdin=subprocess.DEVNULL)
    with open(os.path.join(folder, "fits.tsv")) as table:
        return table.read()


scratch = tempfile.mkdtemp(prefix="torvex-slurm-")
started = []  # Popen objects, stopped in reverse order


def start(*command, **kwargs):
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, **kwargs)
    started.append(process)
    return process


def stop_all():
    for process in reversed(started):
        if process.poll() is None:
            process.send_signal(signal.SIGTERM)
    deadline = time.monotonic() + 20
    for process in reversed(started):
        try:
            process.wait(timeout=max(0.1, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


try:
    local = os.path.join(scratch, "local")
    settings = copy_workflow(local)
    expected = snakemake(local, settings, "--cores", "2", timeout=300)

    cluster = os.path.join(scratch, "cluster")
    settings = copy_workflow(cluster)
    etc = os.path.join(scratch, "etc")
    for folder in ("etc", "state", "spool", "log", "munge"):
        os.mkdir(os.path.join(scratch, folder))
    os.chmod(os.path.join(scratch, "munge"), 0o700)
    key = os.path.join(scratch, "munge", "munge.key")
    with open(key, "wb") as f:
        f.write(os.urandom(1024))
    os.chmod(key, 0o400)
    munge_socket = os.path.join(scratch, "munge", "socket")
    host = socket.gethostname().split(".")[0]
    conf = os.path.join(etc, "slurm.conf")
    with open(conf, "w") as f:
        f.write(f"""ClusterName=torvex-test
SlurmctldHost={host}(127.0.0.1)
SlurmctldPort={free_port()}
SlurmdPort={free_port()}
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket={munge_socket}
CredType=cred/munge
StateSaveLocation={scratch}/state
SlurmdSpoolDir={scratch}/spool
SlurmctldPidFile={scratch}/slurmctld.pid
SlurmdPidFile={scratch}/slurmd.pid
SlurmctldLogFile={scratch}/log/slurmctld.log
SlurmdLogFile={scratch}/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SwitchType=switch/none
MpiDefault=none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
ReturnToService=2
SlurmctldTimeout=30
SlurmdTimeout=30
MinJobAge=600
NodeName={host} NodeAddr=127.0.0.1 CPUs=2 RealMemory=2000 State=UNKNOWN
PartitionName=test Nodes={host} Default=YES MaxTime=INFINITE State=UP
""")
    environment = dict(os.environ, SLURM_CONF=conf)
    logs = open(os.path.join(scratch, "log", "daemons.log"), "w")
    start("munged", "--foreground", "--force", f"--socket={munge_socket}", f"--key-file={key}",
          f"--pid-file={scratch}/munge/munged.pid", f"--log-file={scratch}/log/munged.log",
          f"--seed-file={scratch}/munge/seed", stdout=logs, stderr=logs)
    deadline = time.monotonic() + BOUND
    while not os.path.exists(munge_socket):
        assert time.monotonic() < deadline, "munged did not start"
        time.sleep(0.1)
    start("slurmctld", "-D", "-i", "-f", conf, env=environment, stdout=logs, stderr=logs)
    start("slurmd", "-D", "-N", host, "-f", conf, env=environment, stdout=logs, stderr=logs)
    while True:
        state = subprocess.run(["sinfo", "-h", "-N", "-o", "%T"], env=environment,
                               capture_output=True, text=True).stdout.strip()
        if state == "idle":
            break
        assert time.monotonic() < deadline, f"the node did not come up (state '{state}')"
        time.sleep(0.5)

    profile = os.path.join(cluster, "profiles", "cluster")
    os.environ["SLURM_CONF"] = conf
    got = snakemake(cluster, settings, "--profile", profile, "--latency-wait", "5",
                    timeout=max(10, deadline - time.monotonic()))
    submitted = [name for name in os.listdir(os.path.join(cluster, "logs"))
                 if name.startswith("slurm-")]
    assert len(submitted) >= 6, f"expected one Slurm job per chunk, saw {submitted}"
    assert got == expected, "the cluster's table differs from the local one"
    rows = expected.splitlines()[1:]
    statuses = [row.split("\t")[3] for row in rows]
    assert statuses == ["0"] * 20 + ["2"], rows
    print(f"{len(rows)} pairs in {len(submitted)} Slurm jobs: the table matches the local run")
except BaseException:
    logs = [os.path.join(scratch, "log", name)
            for name in ("slurmctld.log", "slurmd.log", "daemons.log")]
    job_logs = os.path.join(scratch, "cluster", "logs")
    if os.path.isdir(job_logs):
        logs += [os.path.join(job_logs, name) for name in sorted(os.listdir(job_logs))]
    for path in logs:
        if os.path.exists(path):
            with open(path, errors="replace") as f:
                sys.stderr.write(f"--- {path}\n" + f.read()[-3000:])
    raise
finally:
    stop_all()
    shutil.rmtree(scratch, ignore_errors=True)
