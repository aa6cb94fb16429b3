"""Sequences that once broke an invariant, as (seed, steps): each stays here for good. The
seed makes the card; the steps are as steps.py reads them."""

REGRESSIONS = [
    # Undo of a copying run whose originals a later move freed as already in the destination:
    # undo removed the only copies.
    (1, "org+j1,org+move+ih+j1,undo@1"),
    (2, "org+j1,org+move+ih+j1,undo"),
    (4, "org+kb+j4,kill@89+sca+j4+ih+r1+sr,org+move+kb+j4+ih,shoot@1,rename@20,undo@2"),
    (30, "org+move+b2+j4+nh,org+move+j4+nh+r0,shoot@3,org+j4,org+move+b2+j1+ih,undo"),
    # A move killed between its copies and its removals, run again, then undone.
    (3, "kill@30+move+j4,org+move+j4,undo"),
    (5, "kill@60+move+b1+j4,org+move+b1+j4,undo"),
    (6, "kill@85+move+j4,org+move+j4,undo,undo"),
    # A backup into the destination itself, or inside the card: one copy only, or backup
    # copies removed as originals by the next move.
    (7, "org+move+bd+j1,org+move+bd+j1"),
    (8, "org+move+bc+j1,org+move+bc+j1,undo"),
    # Date folders that are links to a folder outside the destination.
    (9, "link@0,link@1,link@2,link@3,org+j1,undo"),
    # {seq} names, a videos' folder shared by two destinations and another computer's
    # history: the third run numbered the video anew and copied it again.
    (10, "org+vd+r0+j1,org+vd+r0+h2+d2+j1,org+vd+r0+h2+d2+j1"),
    (11, "org+vd+r0+sd+j4,org+vd+r0+sd+h2+d2+j4,org+vd+r0+sd+h2+d2+j4"),
    # Undo of a run whose backup copies a later move relied on when it freed the card.
    (555, "org+b1+d2+j1+ih,org+move+b1+verify+j4,org+move+b1+h2+j1,undo@2"),
    # The dry run numbered {seq} over files the run then skipped as imported before.
    (68, "org+vd+j1+ih+r3,edit@36,dry+move+j1+r1"),
    (279, "org+h2+j1,dry+sca+j4+r2"),
    (316, "org+vd+j1,edit@47,dry+kb+j1+r2+sd"),
    # A FIFO swapped in for a source file: the run hung for ever, and SIGTERM did nothing.
    (12, "fifo@0+j1,org+j1"),
    (13, "org+j1,shoot@2,fifo@50+move+j4,org+move+j1,undo"),
    # Undo of a copying run after a later move freed the card and one of its copies was
    # deleted by hand: undo removed the last copy of that photo.
    (9087, "org+j1+r1,org+move+j1+ih+r3,delete@1,undo@1"),
    # A move freed a photo whose edited sidecar stayed behind; the next run copied the sidecar
    # alone into another day's folder.
    (20977, "org+vd+j1+nh,edit@16,dry+move+verify+sca+vd+j4,org+b1+vd+j1+ih"),
    # --skip-copies-anywhere with --no-history copied everything again.
    (151, "org+kb+j1+r2+ss,org+move+verify+kb+sca+j1+nh"),
    # With backups asked for, the dry run planned copies of files the destination held already.
    (89, "org+verify+kb+j4+ih,dry+move+b2+vd+j4+ih"),
    # --skip-copies-anywhere and a photo under two names on one card: whether the run copied
    # the second depended on when the first one's batch was published; the dry run differed.
    (2015, "dry+b2+sca+d2+j1"),
    (100309, "dry+sca+vd+j1+ih"),
]
