"""tengun.read and tengun.write on awkward paths and file systems: the errors a script can see
(OSError with errno and the path), any path the system allows, rows and digits of CSV files."""

import errno
import json
import os
import shutil
import subprocess
import sys
import textwrap

import numpy as np
import pytest

import tengun


def test_paths_as_str_bytes_and_pathlike(tmp_path):
    p = tmp_path / "c.csv"
    p.write_text("1 2 3\n4 5 6\n")
    for path in (str(p), os.fsencode(p), p):
        assert len(tengun.read(path).points) == 2
    # A name that is no UTF-8 is a name all the same.
    odd = os.fsencode(tmp_path) + b"/\xff\xfe scan.csv"
    tengun.write(odd, np.eye(3))
    np.testing.assert_array_equal(tengun.read(odd).points, np.eye(3))


def test_files_the_system_refuses_raise_the_os_error_with_errno_and_path(tmp_path):
    os.symlink("b.csv", tmp_path / "a.csv")
    os.symlink("a.csv", tmp_path / "b.csv")
    os.mkfifo(tmp_path / "pipe.csv")
    cases = [
        (tmp_path / "missing.csv", FileNotFoundError, errno.ENOENT, "does not exist"),
        (tmp_path / "a.csv", OSError, errno.ELOOP, "link loop"),
        (tmp_path, IsADirectoryError, errno.EISDIR, "folder"),
    ]
    for path, kind, number, words in cases:
        with pytest.raises(kind) as e:
            tengun.read(path)
        assert isinstance(e.value, tengun.ReadError)
        assert e.value.errno == number and e.value.filename == path
        assert words in str(e.value)
    with pytest.raises(tengun.ReadError, match="FIFO"):  # never waits for a writer
        tengun.read(tmp_path / "pipe.csv")
    with pytest.raises(FileNotFoundError) as e:
        tengun.write(tmp_path / "no" / "such" / "c.csv", np.eye(3))
    assert e.value.errno == errno.ENOENT and e.value.filename == tmp_path / "no" / "such" / "c.csv"
    assert "保存先のフォルダーが見つかりません" in str(e.value)


FULL_AND_READ_ONLY = textwrap.dedent("""
    import errno, json, sys
    import numpy as np
    import tengun
    disk, result = sys.argv[1], {}
    tengun.write(disk + "/c.csv", np.zeros((10, 3)))
    try:
        tengun.write(disk + "/c.csv", np.random.default_rng(1).random((20000, 3)))
    except OSError as e:
        result["full"] = e.errno
    result["kept"] = len(tengun.read(disk + "/c.csv").points)
    import subprocess
    subprocess.run(["mount", "-o", "remount,ro", disk], check=True)
    try:
        tengun.write(disk + "/c.csv", np.eye(3))
    except OSError as e:
        result["read_only"] = e.errno
    print(json.dumps(result))
""")


def test_a_full_or_read_only_disk_raises_os_error_and_keeps_the_file(tmp_path):
    if shutil.which("unshare") is None:
        pytest.skip("no unshare")
    disk = tmp_path / "disk"
    disk.mkdir()
    script = tmp_path / "script.py"
    script.write_text(FULL_AND_READ_ONLY)
    run = subprocess.run(
        ["unshare", "-m", "sh", "-c",
         f'mount --make-rprivate / && mount -t tmpfs -o size=64k tmpfs "{disk}" && '
         f'exec "{sys.executable}" "{script}" "{disk}"'],
        capture_output=True, text=True)
    if run.returncode != 0 and "Traceback" not in run.stderr:
        pytest.skip("no mount namespace here (root needed): " + run.stderr.strip())
    assert run.returncode == 0, run.stderr
    assert json.loads(run.stdout) == {"full": errno.ENOSPC, "kept": 10,
                                      "read_only": errno.EROFS}


def test_short_rows_and_every_digit_reach_the_readers_and_writers(tmp_path):
    short = tmp_path / "short.csv"
    short.write_text("1,2,3\n4,5\n7,8,9\n")
    with pytest.raises(tengun.ReadError) as e:
        tengun.read(short)
    assert e.value.line == 2 and not isinstance(e.value, OSError)
    np.testing.assert_array_equal(tengun.read(short, skip_short_rows=True).points,
                                  [[1, 2, 3], [7, 8, 9]])
    points = np.array([[0.1 + 0.2, np.finfo(float).max, -0.0]])
    tengun.write(tmp_path / "full.csv", points, full_precision=True)
    assert tengun.read(tmp_path / "full.csv").points.tobytes() == points.tobytes()
