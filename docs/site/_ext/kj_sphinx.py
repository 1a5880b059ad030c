"""Sphinx support for Kj: the kjfunc object type (a search target per built-in
function, and the {kjfunc}`name` role that links to it) and a Pygments lexer
for Kj and GAUSS code."""
from pygments.lexer import RegexLexer, bygroups, words
from pygments.lexers.special import TextLexer
from pygments.token import Comment, Keyword, Name, Number, Operator, Punctuation, String, Text


class KjLexer(RegexLexer):
    name = "Kj"
    aliases = ["kj"]
    filenames = ["*.kj", "*.kjh"]
    tokens = {
        "root": [
            (r"\s+", Text),
            (r"//.*?$", Comment.Single),
            (r"/\*", Comment.Multiline, "comment"),
            (r"^#\w+.*?$", Comment.Preproc),
            (r'"(\\\\|\\"|[^"])*"', String),
            (words(("decl", "const", "static", "if", "else", "for", "foreach", "while", "do", "break", "continue",
                    "return", "switch", "switch_single", "case", "default", "class", "struct", "public", "protected",
                    "private", "virtual", "new", "delete", "namespace", "enum", "extern", "serial", "parallel",
                    "try", "catch", "throw", "goto", "inline", "operator", "this", "TRUE", "FALSE"),
                   suffix=r"\b"), Keyword),
            (r"\.(NaN|Inf)\b", Number),
            (r"(\d+\.\d*|\.\d+|\d+)([eE][+-]?\d+)?", Number),
            (r"([A-Za-z_][\w:]*)(\s*)(\()", bygroups(Name.Function, Text, Punctuation)),
            (r"[A-Za-z_]\w*", Name),
            (r"[-+*/^~!%<>=&|?:.']+", Operator),
            (r"[{}()\[\];,]", Punctuation),
            (r"[$@#`\\]", Operator),
            (r".", Text),
        ],
        "comment": [
            (r"[^*]+", Comment.Multiline),
            (r"\*/", Comment.Multiline, "#pop"),
            (r"\*", Comment.Multiline),
        ],
    }


class GaussLexer(KjLexer):
    name = "GAUSS"
    aliases = ["gauss"]
    filenames = ["*.g", "*.src"]
    tokens = {
        "root": [
            (r"/\*", Comment.Multiline, "comment"),
            (r"@[^@]*@", Comment.Multiline),
            (words(("proc", "endp", "local", "retp", "if", "elseif", "else", "endif", "do", "while", "until",
                    "endo", "for", "endfor", "print", "format", "let", "library", "keyword", "fn", "and", "or",
                    "not", "eq", "ne", "lt", "gt", "le", "ge"), suffix=r"\b"), Keyword),
        ] + KjLexer.tokens["root"],
        "comment": KjLexer.tokens["comment"],
    }


class OutputLexer(TextLexer):
    """What an example prints, shown as it is."""
    name = "Output"
    aliases = ["output", "input"]


def setup(app):
    # No index entry: the search then ranks the entry's own heading first.
    app.add_crossref_type("kjfunc", "kjfunc", objname="Kj function")
    app.add_lexer("kj", KjLexer)
    app.add_lexer("gauss", GaussLexer)
    app.add_lexer("output", OutputLexer)
    app.add_lexer("input", OutputLexer)
    return {"parallel_read_safe": True, "parallel_write_safe": True}
