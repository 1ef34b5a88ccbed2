import sheafwork


def test_version_attribute():
    assert sheafwork.__version__ == "0.10.0"
