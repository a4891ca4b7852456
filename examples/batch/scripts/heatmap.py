"""The RMSD matrix of an ensemble as a heatmap, members ordered by average
linkage clustering so that similar members sit together, with the tree."""
import os

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np
from scipy.cluster import hierarchy
from scipy.spatial.distance import squareform

with open(snakemake.input[0]) as f:
    header = f.readline().rstrip("\n").split("\t")[1:]
    values = [line.rstrip("\n").split("\t")[1:] for line in f]
matrix = np.array(values, dtype=float)
names = [name.rpartition("#")[2] if "#" in name else name for name in header]

tree = hierarchy.linkage(squareform(matrix, checks=False), method="average")
order = hierarchy.leaves_list(tree)

# The tree and the map share their width, so each leaf sits over its column.
figure = plt.figure(figsize=(8, 9))
top = figure.add_axes([0.12, 0.79, 0.72, 0.14])
hierarchy.dendrogram(tree, ax=top, no_labels=True, color_threshold=0, above_threshold_color="0.3")
top.set_axis_off()
heat = figure.add_axes([0.12, 0.08, 0.72, 0.70])
image = heat.imshow(matrix[np.ix_(order, order)], cmap="viridis", interpolation="nearest",
                    aspect="auto")
ticks = np.arange(len(order))
heat.set_xticks(ticks, [names[i] for i in order], rotation=90, fontsize=7)
heat.set_yticks(ticks, [names[i] for i in order], fontsize=7)
heat.set_xlabel("model")
heat.set_ylabel("model")
bar = figure.add_axes([0.86, 0.08, 0.03, 0.70])
figure.colorbar(image, cax=bar, label="RMSD after superposition (Å)")
source = os.path.basename(header[0].rpartition("#")[0]) if "#" in header[0] else snakemake.wildcards.ensemble
figure.suptitle(f"{source}: {len(names)} members, clustered (average linkage)", y=0.97)
figure.savefig(snakemake.output[0], dpi=110)
