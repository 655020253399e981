#!/usr/bin/python3
"""The browser tests (`make web-test`): the harness on its own page, then the game of
build-web/ in headless Chromium against the native build/tavrin.

    tests/web/run_tests.py [--web build-web] [--native build/tavrin] [-k PATTERN]
"""

import argparse
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--web", default=os.path.join(SOURCE, "build-web"), help="the page's folder")
    parser.add_argument("--native", default=os.path.join(SOURCE, "build", "tavrin"), help="the native game")
    parser.add_argument("-k", dest="patterns", action="append", help="only tests whose name holds this")
    args = parser.parse_args()

    missing = [p for p in (os.path.join(args.web, "index.html"), args.native) if not os.path.exists(p)]
    if missing:
        print("web-test: missing %s (make web and make game build them)" % ", ".join(missing), file=sys.stderr)
        return 1
    os.environ["TAVRIN_WEB_DIR"] = os.path.abspath(args.web)
    os.environ["TAVRIN_NATIVE"] = os.path.abspath(args.native)
    os.environ["TAVRIN_SOURCE"] = SOURCE
    sys.path.insert(0, HERE)

    loader = unittest.TestLoader()
    if args.patterns:
        loader.testNamePatterns = ["*%s*" % p for p in args.patterns]
    suite = unittest.TestSuite()
    for name in ("test_site", "test_harness", "test_game"):
        suite.addTests(loader.loadTestsFromName(name))
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    # A skipped game test means the page or a build was not there: that is a failure here.
    if result.skipped and not args.patterns:
        print("web-test: %d tests skipped: %s" % (len(result.skipped), result.skipped[0][1]), file=sys.stderr)
        return 1
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
