"""Delta debugging of a failing step list: drop chunks of steps, then single steps, while the
sequence still breaks the same invariant."""


def shrink(steps, still_fails, budget=60):
    """The shortest list found within `budget` tries for which `still_fails(list)` holds.
    The last step (the one that failed) is always kept."""
    current = list(steps)
    tries = 0
    chunk = max(1, (len(current) - 1) // 2)
    while chunk >= 1 and tries < budget:
        removed_any = False
        start = 0
        while start < len(current) - 1 and tries < budget:
            end = min(start + chunk, len(current) - 1)
            candidate = current[:start] + current[end:]
            tries += 1
            if candidate and still_fails(candidate):
                current = candidate
                removed_any = True
            else:
                start = end
        if not removed_any:
            chunk //= 2
    return current
