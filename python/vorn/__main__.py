"""``python -m vorn``: the vorn command (see vorn.cli)."""
import sys

from vorn.cli import main

sys.exit(main())
