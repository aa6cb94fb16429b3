"""Sequences that once broke an invariant, as (seed, steps): each stays here for good."""

REGRESSIONS = [
]
