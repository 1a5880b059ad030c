; Kj highlighting: later patterns win where two match the same node.

(identifier) @variable

((identifier) @constant
  (#match? @constant "^[A-Z][A-Z0-9_]+$"))

; Declarations
(function_definition name: (identifier) @function)
(function_declaration name: (identifier) @function)
(function_definition name: (qualified_identifier (identifier) @function .))
(function_declaration name: (qualified_identifier (identifier) @function .))
(destructor_name (identifier) @function)
(member_function_declaration name: (identifier) @function.method)
(class_declaration name: (identifier) @type)
(class_declaration base: (identifier) @type)
(new_expression class: (identifier) @type)
(namespace_definition name: (identifier) @module)
(qualified_identifier (identifier) @module . "::")
(parameter name: (identifier) @variable.parameter)
(variadic_parameter name: (identifier) @variable.parameter)
(member_variable_declaration name: (identifier) @property)
(enumerator name: (identifier) @constant)
(labeled_statement label: (identifier) @label)
(goto_statement label: (identifier) @label)

; Calls and members
(call_expression function: (identifier) @function.call)
(call_expression function: (qualified_identifier (identifier) @function.call .))
(call_expression function: (member_expression member: (identifier) @function.method.call))
(member_expression member: (identifier) @property)

; Literals
(number) @number
(character) @character
(string) @string
(special_value) @constant.builtin
(missing_value) @constant.builtin
(this) @variable.builtin
(type) @type.builtin
(system_path) @string.special.path

(line_comment) @comment
(block_comment) @comment

; Preprocessor
[
  "#include"
  "#import"
  "#define"
  "#undef"
  "#ifdef"
  "#ifndef"
  "#else"
  "#endif"
  "#pragma"
] @keyword.directive
(preproc_define name: (identifier) @constant.macro)
(preproc_undef name: (identifier) @constant.macro)
(preproc_conditional name: (identifier) @constant.macro)
(preproc_pragma name: (identifier) @attribute)

; Keywords
[
  "if" "else" "while" "do" "for" "foreach" "in" "switch" "switch_single"
  "case" "default" "break" "continue" "return" "goto"
] @keyword.control
[
  "class" "struct" "namespace" "enum" "decl" "new" "delete"
  "public" "protected" "static" "virtual" "const" "extern" "inline"
  "serial" "parallel"
] @keyword

; Operators and punctuation
[
  "=" "*=" "/=" "+=" "-=" "~=" "|=" ".*=" "./="
  "?" ":" ".?" ".:"
  "||" ".||" "&&" ".&&"
  "==" "!=" ".==" ".!=" "<<" ">>"
  "<=" ">=" ".<" ".<=" ".>" ".>="
  "|" "~" "+" "-" "*" "/" ".*" "./" "**" "^" ".^"
  "!" "++" "--" "&" "'" ".'" "->" "." "::" "..."
] @operator
(binary_expression operator: ["<" ">"] @operator)
(matrix_constant ["<" ">"] @punctuation.bracket)
["(" ")" "[" "]" "{" "}"] @punctuation.bracket
["," ";"] @punctuation.delimiter
