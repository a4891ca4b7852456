#!/usr/bin/python3
"""The structure run against an independent float64 reference.

For each bundled pair the program runs with --json and --pairs; this script
reads the same files with python3-gemmi, pairs the atoms by its own rules,
fits by the singular value decomposition (not the quaternion method) and
checks the RMSD to 1e-6 A and R to 1e-9. The moved files are read back:
PDB lines keep every byte outside columns 31-54, mmCIF files every value
outside _atom_site.Cartn_x/y/z, and the coordinates are R x + t.

usage: reference_test.py TORVEX TESTS_DATA_DIR
Exits 77 (skipped) when numpy or gemmi is missing, or the program was built
without the structure run (TORVEX_STRUCTURE_RUN=OFF in the environment).
"""
import gzip
import json
import os
import subprocess
import sys
import tempfile

if os.environ.get('TORVEX_STRUCTURE_RUN') == 'OFF':
    print('skipped: the program was built without the structure run')
    sys.exit(77)
try:
    import numpy as np
    import gemmi
except ImportError as e:
    print('skipped: %s' % e)
    sys.exit(77)

TORVEX, DATA = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
BACKBONE = {'N', 'CA', 'C', 'O'}
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print('FAIL', what)


def atoms_of(path, model, selection, choice):
    with open(path, 'rb') as f:
        data = f.read()
    if data[:2] == b'\x1f\x8b':
        data = gzip.decompress(data)
    text = data.decode('latin-1')
    if text.lstrip().startswith('data_'):
        st = gemmi.make_structure_from_block(gemmi.cif.read_string(text).sole_block())
    else:
        # Old files run on past column 80; the charge columns are not used.
        text = ''.join(line[:78] + '  ' + line[80:] if line[:6] in ('ATOM  ', 'HETATM') and
                       len(line.rstrip('\r\n')) >= 80 else line
                       for line in text.splitlines(True))
        st = gemmi.read_pdb_string(text)
    st.setup_entities()
    m = st[model - 1]
    gemmi.Model.remove_alternative_conformations(m)
    if selection:
        m = gemmi.Selection(selection).copy_model_selection(m)
    out = []
    for ch in m:
        for res in ch:
            if res.is_water():
                continue
            amino = gemmi.find_tabulated_residue(res.name)
            amino = amino is not None and amino.is_amino_acid()
            for at in res:
                if choice == 'ca' and not (amino and at.name == 'CA'):
                    continue
                if choice == 'backbone' and not (amino and at.name in BACKBONE):
                    continue
                if choice == 'heavy' and at.element.name in ('H', 'D'):
                    continue
                key = (ch.name, res.seqid.num, res.seqid.icode, res.name, at.name)
                out.append((key, (at.pos.x, at.pos.y, at.pos.z)))
    return out


def pair(target, moving, match, chains):
    if match == 'order':
        n = min(len(target), len(moving))
        return [(target[i], moving[i]) for i in range(n)]
    by_key = {}
    for a in moving:
        by_key.setdefault((a[0][0], a[0][1], a[0][2]), {}).setdefault(a[0][4], a)
    names = {}
    for a in moving:
        names[(a[0][0], a[0][1], a[0][2])] = a[0][3]
    if chains is None:
        tc = list(dict.fromkeys(a[0][0] for a in target))
        mc = list(dict.fromkeys(a[0][0] for a in moving))
        chains = list(zip(tc, mc))
    pairs = []
    for t_chain, m_chain in chains:
        for a in target:
            if a[0][0] != t_chain:
                continue
            rk = (m_chain, a[0][1], a[0][2])
            if rk not in by_key:
                continue
            if names[rk] != a[0][3] and a[0][4] not in BACKBONE:
                continue
            b = by_key[rk].get(a[0][4])
            if b is not None:
                pairs.append((a, b))
    return pairs


def kabsch(t, m, w):
    ct = (t * w[:, None]).sum(0) / w.sum()
    cm = (m * w[:, None]).sum(0) / w.sum()
    h = ((m - cm) * w[:, None]).T @ (t - ct)
    u, s, vt = np.linalg.svd(h)
    d = np.sign(np.linalg.det(vt.T @ u.T))
    r = vt.T @ np.diag([1.0, 1.0, d]) @ u.T
    tr = ct - r @ cm
    dist = np.sqrt((((m @ r.T + tr) - t) ** 2).sum(1))
    rmsd = np.sqrt((w * dist ** 2).sum() / w.sum())
    return r, tr, rmsd, dist


def reference(case):
    target = atoms_of(os.path.join(DATA, case['files'][0]), case.get('model', 1),
                      case.get('target_select', ''), case.get('atoms', 'all'))
    moving = atoms_of(os.path.join(DATA, case['files'][1]), case.get('model', 1),
                      case.get('moving_select', ''), case.get('atoms', 'all'))
    pairs = pair(target, moving, case.get('match', 'residue'), case.get('chains'))
    t = np.array([p[0][1] for p in pairs], dtype=np.float64)
    m = np.array([p[1][1] for p in pairs], dtype=np.float64)
    w = np.ones(len(pairs))
    r, tr, rmsd, dist = kabsch(t, m, w)
    first = rmsd
    for _ in range(case.get('cycles', 5) if case.get('trim') else 0):
        drop = (w > 0) & (dist > case['trim'] * rmsd)
        if not drop.any():
            break
        w[drop] = 0.0
        r, tr, rmsd, dist = kabsch(t, m, w)
    residues = set((p[0][0][:4], p[1][0][:4]) for p in pairs)
    identity = sum(a[3] == b[3] for a, b in residues) / len(residues)
    return dict(pairs=pairs, r=r, t=tr, rmsd=rmsd, first=first, fitted=int(w.sum()),
                paired_rmsd=np.sqrt((dist ** 2).mean()), identity=identity,
                unpaired=(len(target) - len(pairs), len(moving) - len(pairs)))


def run(case, folder):
    args = [TORVEX, '-q', '--json', 'summary.json', '--pairs', 'pairs.tsv']
    for key in ('match', 'atoms', 'model', 'target_select', 'moving_select', 'trim', 'cycles'):
        if key in case:
            args += ['--' + key.replace('_', '-'), str(case[key])]
    if 'chains' in case:
        args += ['--chains', ','.join('%s:%s' % c for c in case['chains'])]
    names = [os.path.basename(name) for name in case['files']]
    for name, path in zip(names, case['files']):
        if not os.path.lexists(os.path.join(folder, name)):
            os.symlink(os.path.join(DATA, path), os.path.join(folder, name))
    args += ['-o', case['results']] + names
    status = subprocess.run(args, cwd=folder).returncode
    check(status == 0, '%s: status %d' % (case['name'], status))
    with open(os.path.join(folder, 'summary.json')) as f:
        return json.load(f)


def opened(path):
    return gzip.open(path, 'rb') if path.endswith('.gz') else open(path, 'rb')


def check_moved(case, folder, r, t):
    moving = os.path.join(DATA, case['files'][1])
    results = os.path.join(folder, case['results'])
    with opened(moving) as f:
        before = f.read()
    with opened(results) as f:
        after = f.read()
    name = case['name']
    if b'_atom_site.' in before:
        a = gemmi.cif.read_string(before.decode()).sole_block()
        b = gemmi.cif.read_string(after.decode()).sole_block()
        cols = ['Cartn_x', 'Cartn_y', 'Cartn_z']
        for item_a, item_b in zip(a, b):
            if item_a.pair is not None:
                check(item_a.pair == item_b.pair, name + ': pair ' + item_a.pair[0])
            if item_a.loop is not None:
                tags = list(item_a.loop.tags)
                check(tags == list(item_b.loop.tags), name + ': loop tags')
                ta, tb = a.find(tags), b.find(tags)
                for row_a, row_b in zip(ta, tb):
                    for k, tag in enumerate(tags):
                        if tag.split('.')[-1] not in cols or tag.split('.')[0] != '_atom_site':
                            if row_a[k] != row_b[k]:
                                check(False, name + ': ' + tag + ' changed')
                                return
        xyz_a = np.array([[float(v) for v in a.find_values('_atom_site.' + c)] for c in cols]).T
        xyz_b = np.array([[float(v) for v in b.find_values('_atom_site.' + c)] for c in cols]).T
    else:
        la, lb = before.splitlines(True), after.splitlines(True)
        check(len(la) == len(lb), name + ': line count')
        xyz_a, xyz_b = [], []
        for x, y in zip(la, lb):
            if x[:6] in (b'ATOM  ', b'HETATM'):
                check(x[:30] == y[:30] and x[54:] == y[54:], name + ': bytes outside 31-54')
                xyz_a.append([float(x[30 + 8 * c:38 + 8 * c]) for c in range(3)])
                xyz_b.append([float(y[30 + 8 * c:38 + 8 * c]) for c in range(3)])
            else:
                check(x == y, name + ': a line that is no coordinate record changed')
        xyz_a, xyz_b = np.array(xyz_a), np.array(xyz_b)
    error = np.abs(xyz_a @ r.T + t - xyz_b).max()
    check(error <= 0.0005 + 1e-9, '%s: moved coordinates off by %g' % (name, error))


# The legacy summary's keys, then the structure run's, in this order.
KEYS = ['version', 'run', 'target', 'moving', 'results', 'further', 'match', 'model',
        'atoms_paired', 'atoms_fitted', 'rmsd', 'rmsd_paired', 'unpaired', 'residue_identity',
        'trim', 'target_centre', 'moving_centre', 'translation', 'rotation', 'transform',
        'line_limit_reached']

CASES = [
    dict(name='1k6p CA trimmed', files=['../data_modern/1k6p.cif', '../data_modern/1k6p.cif'], chains=[('A', 'B')],
         atoms='ca', trim=2, results='a_mvd.cif', expect=(99, 0.436372, 92, 0.336916)),
    dict(name='1k6p backbone gzip', files=['../data_modern/1k6p.cif.gz', '../data_modern/1k6p.cif.gz'], chains=[('A', 'B')],
         atoms='backbone', results='b_mvd.cif.gz', expect=(396, 0.488429, 396, 0.488429)),
    dict(name='1k6p heavy trimmed', files=['../data_modern/1k6p.cif', '../data_modern/1k6p.cif'],
         target_select='/1/A', moving_select='/1/B', atoms='heavy', trim=2,
         results='c_mvd.cif', expect=(750, 0.842528, 637, 0.377202)),
    dict(name='cytochrome c CA trimmed', files=['../data_modern/d1yeb__.pdb.gz', '../data_modern/d2pcbb_.pdb.gz'],
         atoms='ca', trim=2, results='d_mvd.pdb.gz', expect=(103, 0.772532, 94, 0.613607)),
    dict(name='1tii converted, order', files=['../data_modern/conv_1tii_chainD.cif', '../data_modern/conv_1tii_chainE.cif'],
         match='order', results='e_mvd.cif', expect=(740, 0.821301, 740, 0.821301)),
    dict(name='1hpv alternate locations', files=['../data_modern/1hpv_chainA_altloc.pdb', '1hpv_chainB.pdb'],
         results='f_mvd.pdb'),
    dict(name='1hpv C and O swapped', files=['1hpv_chainA.pdb', '../data_modern/1hpv_chainB_swapped_c_o.pdb'],
         results='g_mvd.pdb'),
    dict(name='4jsv, past the legacy line limit', files=['4jsv_chainA.pdb', '4jsv_chainB.pdb'],
         results='j_mvd.pdb'),
    dict(name='1l2y model 3, halves', files=['../data_modern/1l2y.cif', '../data_modern/1l2y.cif'], model=3, match='order',
         atoms='ca', target_select='//A/1-10', moving_select='//A/11-20', results='h_mvd.cif'),
    dict(name='1adz model 2 gzip PDB, short trim', files=['../data_modern/1adz.pdb.gz', '../data_modern/1adz.pdb.gz'],
         model=2, atoms='ca', trim=1, cycles=2,
         target_select='//A/1-30', moving_select='//A/31-60', match='order',
         results='i_mvd.pdb.gz'),
]

with tempfile.TemporaryDirectory() as folder:
    for case in CASES:
        summary = run(case, folder)
        ref = reference(case)
        n = case['name']
        check(list(summary) == KEYS, n + ': the summary keys ' + ' '.join(summary))
        check(summary['run'] == 'structure' and summary['match'] == case.get('match', 'residue') and
              summary['model'] == case.get('model', 1), n + ': run, match, model')
        check(summary['trim'] == ({'cutoff': case['trim'], 'cycles_run': summary['trim']['cycles_run']}
                                  if case.get('trim') else None), n + ': trim')
        check(summary['unpaired'] == {'target': ref['unpaired'][0], 'moving': ref['unpaired'][1]},
              n + ': unpaired')
        check(abs(summary['residue_identity'] - ref['identity']) < 1e-12, n + ': residue identity')
        check(np.abs(np.array(summary['target_centre']) - np.array(summary['moving_centre']) -
                     np.array(summary['translation'])).max() < 1e-12, n + ': translation key')
        check(summary['atoms_paired'] == len(ref['pairs']),
              '%s: %d pairs, reference %d' % (n, summary['atoms_paired'], len(ref['pairs'])))
        check(summary['atoms_fitted'] == ref['fitted'], n + ': atoms fitted')
        check(abs(summary['rmsd'] - ref['rmsd']) <= 1e-6,
              '%s: rmsd %.9f, reference %.9f' % (n, summary['rmsd'], ref['rmsd']))
        check(abs(summary['rmsd_paired'] - ref['paired_rmsd']) <= 1e-6, n + ': rmsd_paired')
        r = np.array(summary['transform']['rotation'])
        t = np.array(summary['transform']['translation'])
        check(np.abs(r - ref['r']).max() <= 1e-9, '%s: R off by %g' % (n, np.abs(r - ref['r']).max()))
        check(np.abs(t - ref['t']).max() <= 1e-6, n + ': t')
        check(summary['rotation'] == summary['transform']['rotation'], n + ': rotation keys')
        if 'expect' in case:
            pairs, first, fitted, final = case['expect']
            check(len(ref['pairs']) == pairs and abs(ref['first'] - first) < 5e-7 and
                  ref['fitted'] == fitted and abs(ref['rmsd'] - final) < 5e-7,
                  n + ': the published reference figures')
        with open(os.path.join(folder, 'pairs.tsv')) as f:
            rows = f.read().splitlines()[1:]
        check(len(rows) == len(ref['pairs']), n + ': pairs table rows')
        for row, (a, b) in zip(rows, ref['pairs']):
            cells = row.split('\t')
            if cells[3] != a[0][4] or cells[7] != b[0][4] or cells[2] != a[0][3]:
                check(False, n + ': pairs table row ' + row)
                break
        check_moved(case, folder, r, t)
        print('ok' if not failures else 'FAILED', n, summary['atoms_paired'], summary['rmsd'])

sys.exit(1 if failures else 0)
