#!/usr/bin/env python3
"""Runs one fuzz target until its coverage has not grown for a while, then keeps its corpus.

usage: run-until-flat.py FUZZER CORPUS WORKDIR [--flat SECONDS] [--cap SECONDS] [--dict FILE]
                         [SEEDS...]

The fuzzer works in WORKDIR/corpus, starting from CORPUS (the kept corpus, e.g.
fuzz/corpus/settings) and the SEEDS folders. It is stopped once libFuzzer's edge coverage ("cov:")
has stayed the same for --flat seconds (default 1800), or after --cap seconds in all (default
7200). The inputs that add coverage are then merged into CORPUS (libFuzzer's -merge=1, so CORPUS
keeps only inputs that add coverage), and one summary line is printed: executions, coverage,
features, corpus size, and when coverage last grew. A crash stops the run with the fuzzer's exit
code and its input in WORKDIR/artifacts.
"""
import argparse
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

STATUS = re.compile(r"^#(\d+)\s+\w+\s+cov: (\d+) ft: (\d+)")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("fuzzer")
    parser.add_argument("corpus")
    parser.add_argument("workdir")
    parser.add_argument("--flat", type=int, default=1800)
    parser.add_argument("--cap", type=int, default=7200)
    parser.add_argument("--dict")
    parser.add_argument("seeds", nargs="*")
    args = parser.parse_intermixed_args()

    work, corpus = Path(args.workdir), Path(args.corpus)
    for folder in (work / "corpus", work / "artifacts", corpus):
        folder.mkdir(parents=True, exist_ok=True)
    options = ["-timeout=10", "-rss_limit_mb=2048", "-max_len=16384", "-print_final_stats=1",
               f"-artifact_prefix={work}/artifacts/"]
    if args.dict:
        options.append(f"-dict={args.dict}")
    log_path = work / "fuzzer.log"
    started = time.monotonic()
    with open(log_path, "w") as log:
        fuzzer = subprocess.Popen([args.fuzzer, *options, str(work / "corpus"), str(corpus),
                                   *args.seeds], stdout=log, stderr=subprocess.STDOUT)
    executions = coverage = features = 0
    grew_at = started
    offset = 0
    reason = "cap"
    while fuzzer.poll() is None:
        time.sleep(10)
        with open(log_path, errors="replace") as log:
            log.seek(offset)
            text = log.read()
            offset = log.tell()
        for line in text.splitlines():
            match = STATUS.match(line)
            if not match:
                continue
            executions, cov, features = (int(g) for g in match.groups())
            if cov > coverage:
                coverage, grew_at = cov, time.monotonic()
        now = time.monotonic()
        if now - grew_at >= args.flat:
            reason = "flat"
            break
        if now - started >= args.cap:
            break
    if fuzzer.poll() is None:
        fuzzer.send_signal(signal.SIGINT)
        try:
            fuzzer.wait(60)
        except subprocess.TimeoutExpired:
            fuzzer.kill()
            fuzzer.wait()
    else:
        reason = f"exit {fuzzer.returncode}"
    final = (log_path.read_text(errors="replace"))
    ran = re.search(r"stat::number_of_executed_units: (\d+)", final)
    if ran:
        executions = int(ran.group(1))
    if reason.startswith("exit") and fuzzer.returncode != 0:
        print(f"{Path(args.fuzzer).name}: the fuzzer ended with {fuzzer.returncode}; see {log_path}")
        return fuzzer.returncode
    subprocess.run([args.fuzzer, "-merge=1", *options[:3], str(corpus), str(work / "corpus"), *args.seeds],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    kept = sum(1 for p in corpus.iterdir() if p.is_file())
    elapsed = time.monotonic() - started
    print(f"{Path(args.fuzzer).name}: {executions} executions in {elapsed / 60:.0f} min, "
          f"cov {coverage} ft {features}, last growth at {(grew_at - started) / 60:.0f} min, "
          f"stopped: {reason}, corpus kept: {kept} inputs")
    return 0


if __name__ == "__main__":
    sys.exit(main())
