#!/usr/bin/env python3
"""Adds up the results of every ctest run into one closing line "N passed, N failed", after "LABEL: "
when --label LABEL is given.

Each argument is a folder with ctest's JUnit report (ctest.xml) and the GoogleTest reports of the
test executables (<test name>.xml). A ctest test with a GoogleTest report counts its test cases;
one without counts as one test. A test whose process failed although its report shows no failure
(a crash, a sanitizer finding, a time-out) counts one failure more."""
import os
import sys
import xml.etree.ElementTree as ET


def gtest_counts(path):
    root = ET.parse(path).getroot()
    total = failed = 0
    for case in root.iter("testcase"):
        if case.get("status") == "notrun" or case.get("result") == "skipped":
            continue
        total += 1
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
    return total, failed


def main(args):
    label = ""
    if args[:1] == ["--label"]:
        label, args = args[1] + ": ", args[2:]
    folders = args
    passed = failed = 0
    for folder in folders:
        junit = os.path.join(folder, "ctest.xml")
        if not os.path.exists(junit):
            print(f"summarize: no test report in {folder}")
            failed += 1
            continue
        for case in ET.parse(junit).getroot().iter("testcase"):
            name = case.get("name")
            process_failed = case.get("status") not in ("run", "passed") or case.find("failure") is not None
            report = os.path.join(folder, name + ".xml")
            if os.path.exists(report):
                try:
                    total, bad = gtest_counts(report)
                except ET.ParseError:
                    total, bad = 1, 1
                if process_failed and bad == 0:
                    bad, total = 1, total + 1
            else:
                total, bad = 1, 1 if process_failed else 0
            passed += total - bad
            failed += bad
    print(f"{label}{passed} passed, {failed} failed")
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
