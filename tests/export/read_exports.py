#!/usr/bin/env python3
"""Python's csv module reads a detection export and a tidy table as they are, and the
tidy table's counts are those of the export.

Usage: read_exports.py KELP_CLI
"""
import csv
import datetime
import json
import os
import subprocess
import sys
import tempfile

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what)


def run(cli, *args):
    result = subprocess.run([cli, *args], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"kelp-cli {' '.join(args)} failed ({result.returncode}):\n{result.stderr}")
    return result.stdout


def read_rows(path):
    with open(path, newline="") as f:
        return list(csv.reader(f, dialect="excel-tab"))


def main():
    cli = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        card = os.path.join(work, "card")
        kelp = os.path.join(work, "kelp")
        os.makedirs(kelp)
        run(cli, "simulate", "--out", card, "--minutes", "900", "--scenario", "porpoise",
            "--activity", "3", "--seed", "5")
        run(cli, "download", card, os.path.join(kelp, "site.KL1"), "--start", "2024-06-01 10:20",
            "--now", "2024-06-05 10:00", "--location", "Bay, \"north\"")
        run(cli, "trains", os.path.join(kelp, "site.KL1"))
        kl3 = os.path.join(kelp, "site.KL3")
        part = os.path.join(work, "dpm.txt")
        tidy = os.path.join(work, "dpm.tsv")
        run(cli, "export", kl3, "--data", "dpm", "--period", "hours", "-o", part)
        run(cli, "export", kl3, "--data", "dpm", "--period", "hours", "--tidy", "-o", tidy)

        # The export: header lines, the column header, then one row per period.
        rows = read_rows(part)
        header_at = next(i for i, r in enumerate(rows) if r == ["time", "DPM"])
        check(header_at > 0 and rows[0] == ["site.KL3"], "the export's first line is the file name")
        counts = {}
        for r in rows[header_at + 1:]:
            check(len(r) == 2, f"export row of two fields: {r}")
            shown = datetime.datetime.strptime(r[0], "%d/%m/%Y %H:%M")
            counts[shown] = int(r[1])
        check(len(counts) > 10, "the export has its rows")

        # The tidy table: fixed columns, one row per period, NA only without minutes logged.
        with open(tidy, newline="") as f:
            table = list(csv.DictReader(f, dialect="excel-tab"))
        with open(tidy, newline="") as f:
            columns = next(csv.reader(f, dialect="excel-tab"))
        check(columns == ["file", "logger", "period_start", "period_end", "minutes_on", "dpm"],
              f"tidy columns: {columns}")
        check(len(table) == len(counts), "as many tidy rows as export rows")
        positive = 0
        for row in table:
            start = datetime.datetime.fromisoformat(row["period_start"])
            end = datetime.datetime.fromisoformat(row["period_end"])
            check(start < end, f"a period ends after it starts: {row}")
            shown = end - datetime.timedelta(minutes=1)
            if row["dpm"] == "NA":
                check(row["minutes_on"] == "0", f"NA only without minutes logged: {row}")
                continue
            check(int(row["dpm"]) == counts.get(shown), f"tidy count equals the export's at {shown}: {row}")
            positive += int(row["dpm"])
        check(positive > 0, "the deployment has detections")

        with open(os.path.join(work, "dpm.json")) as f:
            provenance = json.load(f)
        check(provenance["data_item"] == "dpm" and provenance["period"] == "hours", "provenance item and period")
        check(provenance["files"][0]["name"] == "site.KL3", "provenance file name")
        check(provenance["files"][0]["location"] == "Bay, \"north\"", "provenance location")
        check(provenance["files"][0]["size_bytes"] == os.path.getsize(kl3), "provenance file size")

    print("the exports read as they are" if not failures else f"{len(failures)} checks failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
