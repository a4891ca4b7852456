# Derives the two damaged copies of the bundled 1hpv pair used by the tests:
#   1hpv_chainA_altloc.pdb     four atoms of chain A given a second conformer
#                              (altLoc A kept in place, B 0.8 A away)
#   1hpv_chainB_swapped_c_o.pdb  C and O lines swapped in every residue
# Run from this folder: python3 derive.py
def lines(name):
    with open(name, newline='') as f:
        return f.read().splitlines(keepends=True)

a = lines('../data/1hpv_chainA.pdb')
out = []
chosen = 0
for line in a:
    if line.startswith('ATOM') and line[12:16] in (' CB ', ' OG1') and chosen < 4 and \
            line[22:26].strip() in ('4', '12', '31'):
        first = line[:16] + 'A' + line[17:]
        x = float(line[30:38]) + 0.8
        second = line[:16] + 'B' + line[17:30] + '%8.3f' % x + line[38:]
        out += [first, second]
        chosen += 1
    else:
        out.append(line)
assert chosen == 4
with open('1hpv_chainA_altloc.pdb', 'w', newline='') as f:
    f.write(''.join(out))

b = lines('../data/1hpv_chainB.pdb')
out = []
i = 0
while i < len(b):
    line = b[i]
    if line.startswith('ATOM') and line[12:16] == ' C  ' and i + 1 < len(b) and \
            b[i + 1][12:16] == ' O  ':
        out += [b[i + 1], line]
        i += 2
    else:
        out.append(line)
        i += 1
with open('1hpv_chainB_swapped_c_o.pdb', 'w', newline='') as f:
    f.write(''.join(out))
