import pytest
from hypothesis import settings

import sheafwork

# A slow or busy CI machine must not turn a correct example into a failure.
settings.register_profile("project", deadline=None)
settings.load_profile("project")


@pytest.fixture
def book():
    return sheafwork.Book()


@pytest.fixture
def sheet(book):
    return book.add_sheet("S")
