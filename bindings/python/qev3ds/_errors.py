"""The package's one exception, with the library's own sentence for each
status."""

from . import _native


def status_text(status: int) -> str:
    """The library's sentence for a status of its readers and writers: 0,
    the read statuses 1 to 4 and the negative refusals."""
    return _native.status_text(status)


class Qev3dsError(Exception):
    """A failed call. status is the library's result: a read status 1 to 4,
    a negative refusal of the writer, or for convert the report's status
    (report holds the whole ConvertReport; None otherwise)."""

    def __init__(self, status: int, path: str = "", detail: str = "", report=None):
        self.status = status
        self.path = path
        self.report = report
        if report is not None:
            message = report.message or status_text(status)
        else:
            where = f"{detail}: " if detail else ""
            message = f"{path}: {where}{status_text(status)}"
        super().__init__(f"{message} (status {status})")
