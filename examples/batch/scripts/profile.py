"""Distance after the fit of each paired residue along the chain, by the
target's residue numbers: the CA atom's (or the mean over the residue's
pairs), one line per chain, residues left out of the final fit by trimming
marked."""
import csv
from collections import OrderedDict

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt

residues = OrderedDict()  # (chain, number) -> [distances], fitted flags
with open(snakemake.input[0]) as f:
    for row in csv.DictReader(f, delimiter="\t"):
        key = (row["target_chain"], row["target_residue_number"])
        entry = residues.setdefault(key, {"d": [], "fitted": [], "ca": None})
        d = float(row["distance"])
        entry["d"].append(d)
        entry["fitted"].append(row["fitted"] == "yes")
        if row["target_atom"] == "CA":
            entry["ca"] = d

figure, axes = plt.subplots(figsize=(9, 3.4))
chains = OrderedDict()
for (chain, number), entry in residues.items():
    value = entry["ca"] if entry["ca"] is not None else sum(entry["d"]) / len(entry["d"])
    chains.setdefault(chain, []).append((int(number), value, all(entry["fitted"])))
trimmed = False
for chain, points in chains.items():
    axes.plot([p[0] for p in points], [p[1] for p in points], lw=1.2, marker=".", ms=3,
              label=f"chain {chain.strip() or '(blank)'}")
    out = [(p[0], p[1]) for p in points if not p[2]]
    if out:
        axes.scatter(*zip(*out), s=16, color="crimson", zorder=3,
                     label=None if trimmed else "left out by trimming")
        trimmed = True
axes.set_xlabel("residue number (target)")
axes.set_ylabel("distance after fit (Å)")
axes.set_ylim(bottom=0)
axes.legend(fontsize=8, loc="upper left")
axes.set_title(snakemake.params.title, fontsize=9)
figure.tight_layout()
figure.savefig(snakemake.output[0], dpi=110)
