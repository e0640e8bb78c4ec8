"""What wine_copy_bench.py reports: every run as it comes, then the figures of
each side in a Markdown table."""

from __future__ import annotations

import dataclasses
import statistics

from wine_bench_data import KiB, MiB, Plan
from wine_bench_sides import Bench


def size_text(size: float) -> str:
    for unit, scale in (("GiB", 1024 * MiB), ("MiB", MiB), ("KiB", KiB)):
        if size >= scale:
            return f"{size / scale:.1f}".removesuffix(".0") + " " + unit
    return f"{size:.0f} B"


@dataclasses.dataclass
class Figures:
    seconds: list[float] = dataclasses.field(default_factory=list)  # the timed runs
    peak_bytes: int = 0  # of all runs, the untimed one included

    def best(self) -> float:
        return min(self.seconds)

    def median(self) -> float:
        return statistics.median(self.seconds)


def measure(bench: Bench, runs: int) -> dict[str, Figures]:
    sides = bench.sides
    figures = {side: Figures() for side in sides}
    for round_number in range(runs + 1):
        order = sides if round_number % 2 == 0 else tuple(reversed(sides))
        for side in order:
            run = bench.run(side)
            figures[side].peak_bytes = max(figures[side].peak_bytes, run.peak_bytes)
            label = "warm" if round_number == 0 else str(round_number)
            print(f"  {label:<5} {side:<12} {run.seconds:9.3f} s  peak {size_text(run.peak_bytes)}",
                  flush=True)
            if round_number:
                figures[side].seconds.append(run.seconds)
    return figures


def ratio(time: float, base: float) -> str:
    return f"{time / base:.2f}" if base >= 0.0005 else "-"


def print_table(results: list[tuple[Plan, dict[str, Figures]]], sides: tuple[str, ...],
                ratios: tuple[tuple[str, str], ...], note: str) -> None:
    head = ["data set", "runs", *(f"{side} (s)" for side in sides),
            *(f"{ratio_of}/{base}" for ratio_of, base in ratios),
            *(f"{side} peak RSS" for side in sides)]
    print("\n| " + " | ".join(head) + " |")
    print("|---|" + "---:|" * (len(head) - 1))
    for plan, figures in results:
        for kind in ("best", "median"):
            times = {side: getattr(figures[side], kind)() for side in sides}
            if kind == "best":
                cells = [plan.title, str(len(figures[sides[0]].seconds))]
                peaks = [size_text(figures[side].peak_bytes) for side in sides]
            else:
                cells, peaks = ["(median)", ""], [""] * len(sides)
            cells += [f"{times[side]:.3f}" for side in sides]
            cells += [ratio(times[ratio_of], times[base]) for ratio_of, base in ratios]
            print("| " + " | ".join(cells + peaks) + " |")
    print("\n" + note)


WIZARD_NOTE = ("Times: the best (and the median) of the timed runs; setup.exe from the click on "
               "Continue to the completion box, seen within {poll} ms; the loop timed by "
               "itself; cp around its process. Peak RSS: the largest VmHWM of the copying "
               "process in any run. Target: setup.exe at most 1.2 times the loop.")
SILENT_NOTE = ("Times: the best (and the median) of the timed runs, each a whole process under "
               "Wine from its start to its end (one wineserver kept for the box). Peak RSS: the "
               "largest VmHWM of the copying process in any run. Target: setup.exe faster than "
               "both NSIS installers.")
