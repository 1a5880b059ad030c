# Sphinx configuration of the Kj site (built by docs/tools/build_site.py).
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "_ext"))

project = "Kj"
copyright = "the Kj developers"
release = version = "8.0"
extensions = ["myst_parser", "kj_sphinx"]
source_suffix = {".md": "markdown"}
root_doc = "index"
exclude_patterns = ["_build"]
myst_heading_anchors = 3
highlight_language = "kj"
pygments_style = "friendly"
html_theme = "alabaster"
html_title = "Kj documentation"
html_static_path = ["_static"]
html_css_files = ["kj.css"]
html_theme_options = {
    "description": "A matrix language for statistics and econometrics",
    "fixed_sidebar": True,
    "page_width": "1180px",
    "sidebar_width": "250px",
    "show_relbars": True,
}
html_sidebars = {"**": ["about.html", "searchbox.html", "navigation.html", "relations.html"]}
html_show_sourcelink = False
html_copy_source = False
