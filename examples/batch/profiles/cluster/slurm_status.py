#!/usr/bin/env python3
"""Snakemake's --cluster-status: the state of a Slurm job, asked of
scontrol, as one word: running, success or failed. A job scontrol no longer
knows (finished longer ago than Slurm's MinJobAge) cannot be judged and is
reported failed, so that a lost job is run again rather than waited for."""
import subprocess
import sys
import time

RUNNING = {"PENDING", "RUNNING", "CONFIGURING", "COMPLETING", "SUSPENDED", "REQUEUED",
           "RESIZING", "SIGNALING", "STAGE_OUT", "STOPPED"}

job = sys.argv[1]
for attempt in range(3):
    done = subprocess.run(["scontrol", "-o", "show", "job", job], capture_output=True, text=True)
    if done.returncode == 0:
        break
    time.sleep(1)
else:
    print("failed")
    sys.exit(0)
fields = dict(item.split("=", 1) for item in done.stdout.split() if "=" in item)
state = fields.get("JobState", "")
print("success" if state == "COMPLETED" else "running" if state in RUNNING else "failed")
