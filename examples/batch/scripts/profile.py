"""Distance after the fit of each paired residue along the chain: the CA
atom's (or the mean over the residue's pairs), with the pairs left out of the
final fit by trimming marked."""
import csv
from collections import OrderedDict

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt

residues = OrderedDict()  # (chain, number) -> [distances], fitted flags
with open(snakemake.input[0]) as f:
    for row in csv.DictReader(f, delimiter="\t"):
        key = (row["target_chain"], row["target_residue"])
        entry = residues.setdefault(key, {"d": [], "fitted": [], "ca": None})
        d = float(row["distance"])
        entry["d"].append(d)
        entry["fitted"].append(row["fitted"] == "1")
        if row["target_atom"] == "CA":
            entry["ca"] = d

figure, axes = plt.subplots(figsize=(9, 3.4))
chains = OrderedDict()
for (chain, number), entry in residues.items():
    value = entry["ca"] if entry["ca"] is not None else sum(entry["d"]) / len(entry["d"])
    chains.setdefault(chain, []).append((number, value, all(entry["fitted"])))
position = 0
for chain, points in chains.items():
    xs = list(range(position, position + len(points)))
    axes.plot(xs, [p[1] for p in points], lw=1.2, label=f"chain {chain}")
    out = [(x, p[1]) for x, p in zip(xs, points) if not p[2]]
    if out:
        axes.scatter(*zip(*out), s=12, color="crimson", zorder=3, label="left out by trimming")
    position += len(points) + 3
axes.set_xlabel("paired residue, in chain order")
axes.set_ylabel("distance after fit (Å)")
axes.set_ylim(bottom=0)
axes.legend(fontsize=8, loc="upper left")
axes.set_title(snakemake.params.get("title", "") if hasattr(snakemake, "params") else "", fontsize=9)
figure.tight_layout()
figure.savefig(snakemake.output[0], dpi=110)
