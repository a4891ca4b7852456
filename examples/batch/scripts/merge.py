"""The summaries of every chunk as one table, fits.tsv: a row per pair, in
the order of the list, fitted or not."""
import json

COLUMNS = ["target", "moving", "results", "status", "atoms_fitted", "rmsd",
           "rmsd_paired", "residue_identity", "error"]


def rows(chunk_path, summary_path):
    with open(chunk_path) as chunk, open(summary_path) as summaries:
        for listed, line in zip(chunk, summaries):
            target, moving, results = listed.rstrip("\n").split("\t")
            s = json.loads(line)
            fitted = s["status"] == 0
            yield [target, moving, results if fitted else "", str(s["status"]),
                   str(s["atoms_fitted"]) if fitted else "",
                   repr(s["rmsd"]) if fitted else "",
                   repr(s["rmsd_paired"]) if fitted else "",
                   repr(s["residue_identity"]) if fitted else "",
                   "" if fitted else s["error"].replace("\t", " ")]


with open(snakemake.output[0], "w") as table:
    table.write("\t".join(COLUMNS) + "\n")
    for chunk_path, summary_path in zip(snakemake.input.chunks, snakemake.input.summaries):
        for row in rows(chunk_path, summary_path):
            table.write("\t".join(row) + "\n")
