"""Runs the module's pytest suite on a built module, or reports it skipped.

    run_pytest.py MODULE_DIR WHY_MISSING PYTEST_ARGS...

MODULE_DIR holds the built package (empty when it was not built, and
WHY_MISSING says why). Exits 77, which CTest counts as skipped, when the
module, NumPy or pytest is missing.
"""
import importlib.util
import sys

SKIPPED = 77

module_dir, why_missing, pytest_args = sys.argv[1], sys.argv[2], sys.argv[3:]
if not module_dir:
    print(f"SKIPPED: the Python module was not built: {why_missing}")
    sys.exit(SKIPPED)
for needed, package in (("numpy", "python3-numpy"), ("pytest", "python3-pytest")):
    if importlib.util.find_spec(needed) is None:
        print(f"SKIPPED: {needed} is not installed ({package})")
        sys.exit(SKIPPED)

sys.path.insert(0, module_dir)
import pytest  # noqa: E402

sys.exit(pytest.main(pytest_args))
