"""Every relative link of README.md and docs/**/*.md leads to a file that exists, and an anchor to
one of its headings. Usage: links_test.py SOURCE_DIR"""
import pathlib, re, sys

root = pathlib.Path(sys.argv[1])
def slug(heading):  # the anchor a forge makes of a heading
    return re.sub(r"[^\w\- ]", "", heading.strip().lower()).replace(" ", "-")
def text(path, spans=True):  # without code blocks (and code spans), where brackets are not links
    prose = re.sub(r"(?ms)^```.*?^```", "", path.read_text())
    return re.sub(r"`[^`\n]*`", "", prose) if spans else prose
broken = []
for page in [root / "README.md", *sorted((root / "docs").rglob("*.md"))]:
    for target in re.findall(r"\]\(([^)\s]+)\)", text(page)):
        if re.match(r"[a-z]+:", target):
            continue
        name, _, anchor = target.partition("#")
        path = (page.parent / name).resolve() if name else page
        if not path.exists():
            broken.append(f"{page.relative_to(root)}: {target} (no such file)")
        elif anchor and path.suffix == ".md" and anchor not in map(slug, re.findall(r"(?m)^#+ (.*)$", text(path, False))):
            broken.append(f"{page.relative_to(root)}: {target} (no such heading)")
sys.exit("\n".join(broken) or None)  # the broken links, on standard error, and status 1
