"""Builds and installs the Python module torvex: CMake builds the extension
(target torvex_python of python/CMakeLists.txt) for the interpreter running
this file, and setuptools installs it with the pure-Python part.

    python3 -m pip install --no-build-isolation .

Nothing is downloaded: CMake, the compiler, pybind11 and NumPy come from
the system.
"""
import glob
import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as cmake_lists:
    VERSION = re.search(r"project\(torvex VERSION ([0-9.]+)", cmake_lists.read()).group(1)


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build_dir = os.path.abspath(os.path.join(self.build_temp, "cmake"))
        configure = [
            "cmake", "-S", ROOT, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
            "-DTORVEX_BUILD_TESTS=OFF", "-DTORVEX_WERROR=OFF", "-DTORVEX_PYTHON=ON",
            f"-DPython3_EXECUTABLE={sys.executable}",
        ]
        subprocess.run(configure, check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        subprocess.run(["cmake", "--build", build_dir, "--target", "torvex_python", "-j", jobs],
                       check=True)
        folder = os.path.join(build_dir, "python", "torvex")
        built = [path for path in glob.glob(os.path.join(folder, "_torvex*"))
                 if path.endswith((".so", ".pyd"))]
        if len(built) != 1:
            raise RuntimeError(f"expected one built module, found {built}")
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(built[0], target)


setup(
    name="torvex",
    version=VERSION,
    description="Least-squares superposition of molecular structures (quaternion method)",
    packages=["torvex"],
    package_dir={"": "python"},
    package_data={"torvex": ["*.pyi", "py.typed"]},
    ext_modules=[CMakeExtension("torvex._torvex")],
    cmdclass={"build_ext": CMakeBuild},
    install_requires=["numpy"],
    python_requires=">=3.9",
    zip_safe=False,
)
