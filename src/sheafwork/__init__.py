from sheafwork import _sheafwork
from sheafwork._sheafwork import *  # noqa: F401,F403
from sheafwork._sheafwork import PanicException  # noqa: F401

__version__ = _sheafwork.__version__
