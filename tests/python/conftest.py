import pytest

import sheafwork


@pytest.fixture
def book():
    return sheafwork.Book()


@pytest.fixture
def sheet(book):
    return book.add_sheet("S")
