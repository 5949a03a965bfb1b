"""The Japanese editions of the guide keep the English ones' structure: the same headings
(levels and section numbers), the same Python examples byte for byte, the same pictures."""
import pathlib
import re

import pytest

DOCS = pathlib.Path(__file__).resolve().parent.parent / "docs"
PAIRS = [(DOCS / name, DOCS / "ja" / name) for name in ("theory.md", "exercises.md")]
FENCE = re.compile(r"^```(\w*)\n(.*?)^```$", re.S | re.M)
NUMBER = re.compile(r"(?:Exercise |演習)?(\d+(?:\.\d+)*)(?=[.:：\s])")


def outline(path, text=None):
    """Headings (level, number or None), python blocks and pictures (resolved files)."""
    text = path.read_text(encoding="utf-8") if text is None else text
    prose = FENCE.sub("", text)
    headings = [(len(m[1]), (NUMBER.match(m[2]) or [None, None])[1])
                for m in re.finditer(r"^(#+) +(.*)$", prose, re.M)]
    pictures = [(path.parent / name).resolve() for name in re.findall(r"!\[[^\]]*\]\(([^)\s]+)", prose)]
    return {"headings": headings, "python": [m[2] for m in FENCE.finditer(text) if m[1] == "python"],
            "pictures": pictures}


def differences(english, japanese, text=None):
    ours, theirs = outline(english), outline(japanese, text)
    return [part for part in ours if ours[part] != theirs[part]]


@pytest.mark.parametrize("english, japanese", PAIRS, ids=["theory", "exercises"])
def test_same_structure(english, japanese):
    assert differences(english, japanese) == []
    assert all(p.exists() and p.parent == DOCS for p in outline(japanese)["pictures"])


@pytest.mark.parametrize("english, japanese", PAIRS, ids=["theory", "exercises"])
@pytest.mark.parametrize("added, part", [("## 99. 追加の節\n\n", "headings"), ("### 3.9 追加\n\n", "headings"),
                                         ("![追加の図](../default.png)\n\n", "pictures"),
                                         ("```python\n>>> 1 + 1\n2\n\n```\n\n", "python")],
                         ids=["section", "subsection", "picture", "example"])
def test_an_addition_to_one_edition_is_reported(english, japanese, added, part):
    text = japanese.read_text(encoding="utf-8")
    middle = text.index("\n## ", len(text) // 2) + 1          # before a section of the second half
    assert differences(english, japanese, text[:middle] + added + text[middle:]) == [part]
