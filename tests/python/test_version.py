import sheafwork
from sheafwork import _sheafwork


def test_version_everywhere_agrees():
    assert sheafwork.__version__ == "0.10.0"
    assert _sheafwork.__version__ == "0.10.0"
    assert sheafwork.version() == "0.10.0"
    assert type(_sheafwork.__version__) is str
