/**
 * Tree-sitter grammar for Kj, the matrix language (sources .kj, headers .kjh).
 *
 * Precedence follows the compiler's levels, lowest first. Two things need the
 * external scanner (src/scanner.c): block comments nest, and a transpose
 * directly followed by a name, "(" or this multiplies (x'y is x' * y).
 */

const PREC = {
  comma: 1,
  assign: 2,
  conditional: 3,
  or: 4,
  dot_or: 5,
  and: 6,
  dot_and: 7,
  equality: 8,
  shift: 9,
  relational: 10,
  vcat: 11,
  hcat: 12,
  additive: 13,
  multiplicative: 14,
  prefix: 15,
  power: 16,
  postfix: 17,
};

const commaSep = (rule) => optional(commaSep1(rule));
const commaSep1 = (rule) => seq(rule, repeat(seq(',', rule)));

module.exports = grammar({
  name: 'kj',

  externals: ($) => [$.block_comment, $._implicit_times],

  extras: ($) => [/\s/, $.line_comment, $.block_comment],

  word: ($) => $.identifier,

  conflicts: ($) => [[$.block, $.array_expression], [$._expressions, $.array_expression]],

  rules: {
    source_file: ($) => repeat($._top_level_item),

    _top_level_item: ($) =>
      choice(
        $.function_definition,
        $.function_declaration,
        $.class_declaration,
        $.variable_declaration,
        $.enum_declaration,
        $.namespace_definition,
        $._preprocessor,
        ';',
      ),

    // ------------------------------------------------------------------
    // Preprocessor lines
    // ------------------------------------------------------------------
    _preprocessor: ($) =>
      choice(
        $.preproc_include,
        $.preproc_import,
        $.preproc_define,
        $.preproc_undef,
        $.preproc_conditional,
        $.preproc_pragma,
      ),

    preproc_include: ($) =>
      seq(alias(token(seq('#', /[ \t]*/, 'include')), '#include'), field('path', $._include_path)),
    preproc_import: ($) =>
      seq(alias(token(seq('#', /[ \t]*/, 'import')), '#import'), field('path', $._include_path)),
    _include_path: ($) => choice($.string, $.system_path),
    system_path: (_) => token(seq('<', /[^>\n]*/, '>')),
    preproc_define: ($) =>
      seq(alias(token(seq('#', /[ \t]*/, choice('define', 'definecs'))), '#define'), field('name', $.identifier)),
    preproc_undef: ($) => seq(alias(token(seq('#', /[ \t]*/, 'undef')), '#undef'), field('name', $.identifier)),
    preproc_conditional: ($) =>
      choice(
        seq(alias(token(seq('#', /[ \t]*/, 'ifdef')), '#ifdef'), field('name', $.identifier)),
        seq(alias(token(seq('#', /[ \t]*/, 'ifndef')), '#ifndef'), field('name', $.identifier)),
        alias(token(seq('#', /[ \t]*/, 'else')), '#else'),
        alias(token(seq('#', /[ \t]*/, 'endif')), '#endif'),
      ),
    preproc_pragma: ($) =>
      seq(
        alias(token(seq('#', /[ \t]*/, 'pragma')), '#pragma'),
        field('name', $.identifier),
        '(',
        optional(field('argument', $._expression)),
        ')',
      ),

    // ------------------------------------------------------------------
    // Declarations
    // ------------------------------------------------------------------
    qualifiers: ($) => repeat1($.qualifier),

    qualifier: ($) => choice('static', 'const', 'serial', 'inline', seq('extern', optional(field('binding', $.string)))),

    function_definition: ($) =>
      seq(optional($.qualifiers), field('name', $._function_name), field('parameters', $.parameter_list), field('body', $.block)),

    function_declaration: ($) =>
      seq(optional($.qualifiers), field('name', $._function_name), field('parameters', $.parameter_list), ';'),

    _function_name: ($) => choice($.identifier, $.qualified_identifier, $.destructor_name),

    destructor_name: ($) => seq(optional(seq($.identifier, '::')), '~', $.identifier),

    parameter_list: ($) => seq('(', commaSep(choice($.parameter, $.variadic_parameter)), ')'),

    parameter: ($) =>
      seq(optional('const'), optional('decl'), field('name', $.identifier), optional(seq('=', field('default', $._expression)))),

    variadic_parameter: ($) => seq('...', optional(field('name', $.identifier))),

    variable_declaration: ($) =>
      seq(optional($.qualifiers), 'decl', choice(commaSep1($.declarator), $.multiple_declarator), ';'),

    declarator: ($) =>
      seq(
        field('name', $.identifier),
        repeat(seq('[', field('dimension', $._expression), ']')),
        optional(seq('=', field('value', $._expression))),
      ),

    multiple_declarator: ($) => seq('[', $._declared_targets, ']', '=', field('value', $._expression)),

    _declared_targets: ($) =>
      choice(seq(optional($.identifier), ',', optional($._declared_targets)), $.identifier),

    enum_declaration: ($) => prec.right(seq('enum', $.enumerator_list, optional(';'))),

    enumerator_list: ($) => seq('{', commaSep($.enumerator), optional(','), '}'),

    enumerator: ($) => seq(field('name', $.identifier), optional(seq('=', field('value', $._expression)))),

    namespace_definition: ($) => seq('namespace', field('name', $.identifier), '{', repeat($._top_level_item), '}'),

    class_declaration: ($) =>
      prec.right(seq(
        choice('class', 'struct'),
        field('name', $.identifier),
        optional(seq(':', optional('public'), field('base', $._name))),
        field('body', $.class_body),
        optional(';'),
      )),

    class_body: ($) =>
      seq(
        '{',
        repeat(
          choice(
            $.access_specifier,
            $.member_variable_declaration,
            $.member_function_declaration,
            $.enum_declaration,
            $._preprocessor,
            ';',
          ),
        ),
        '}',
      ),

    access_specifier: (_) => seq(choice('public', 'protected'), ':'),

    member_qualifiers: (_) => repeat1(choice('static', 'virtual', 'const', 'serial')),

    member_variable_declaration: ($) =>
      seq(
        optional($.member_qualifiers),
        'decl',
        commaSep1(seq(field('name', $.identifier), optional(seq('=', field('value', $._expression))))),
        ';',
      ),

    member_function_declaration: ($) =>
      seq(
        optional($.member_qualifiers),
        field('name', choice($.identifier, $.destructor_name)),
        field('parameters', $.parameter_list),
        choice(';', field('body', $.block)),
      ),

    // ------------------------------------------------------------------
    // Statements
    // ------------------------------------------------------------------
    _statement: ($) =>
      choice(
        $.block,
        $.expression_statement,
        $.local_declaration,
        $.if_statement,
        $.while_statement,
        $.do_statement,
        $.for_statement,
        $.foreach_statement,
        $.parallel_statement,
        $.serial_statement,
        $.switch_statement,
        $.break_statement,
        $.continue_statement,
        $.return_statement,
        $.goto_statement,
        $.labeled_statement,
        $.empty_statement,
        $._preprocessor,
      ),

    // A statement that starts with "{" is a block, not an array.
    block: ($) => prec.dynamic(1, seq('{', repeat($._statement), '}')),

    empty_statement: (_) => ';',

    expression_statement: ($) => seq($._expressions, ';'),

    local_declaration: ($) =>
      seq(optional(choice('serial', 'const', 'static')), 'decl', choice(commaSep1($.declarator), $.multiple_declarator), ';'),

    if_statement: ($) =>
      prec.right(
        seq(
          'if',
          '(',
          field('condition', $._expressions),
          ')',
          field('consequence', $._statement),
          optional(seq('else', field('alternative', $._statement))),
        ),
      ),

    while_statement: ($) => seq('while', '(', field('condition', $._expressions), ')', field('body', $._statement)),

    do_statement: ($) =>
      seq('do', field('body', $._statement), 'while', '(', field('condition', $._expressions), ')', ';'),

    for_statement: ($) =>
      seq(
        'for',
        '(',
        optional(field('initializer', choice($._expressions, $.loop_declaration))),
        ';',
        optional(field('condition', $._expressions)),
        ';',
        optional(field('update', $._expressions)),
        ')',
        field('body', $._statement),
      ),

    loop_declaration: ($) => seq('decl', commaSep1($.declarator)),

    foreach_statement: ($) =>
      seq(
        'foreach',
        '(',
        optional('decl'),
        field('variable', $.identifier),
        'in',
        field('target', $._expression),
        ')',
        field('body', $._statement),
      ),

    parallel_statement: ($) => seq('parallel', choice($.for_statement, $.foreach_statement)),

    serial_statement: ($) => seq('serial', $.block),

    switch_statement: ($) =>
      seq(choice('switch', 'switch_single'), '(', field('value', $._expressions), ')', field('body', $.switch_body)),

    switch_body: ($) => seq('{', repeat(choice($.case_clause, $.default_clause)), '}'),

    case_clause: ($) => seq('case', field('value', $._expression), ':', repeat($._statement)),

    default_clause: ($) => seq('default', ':', repeat($._statement)),

    break_statement: (_) => seq('break', ';'),
    continue_statement: (_) => seq('continue', ';'),
    return_statement: ($) => seq('return', optional($._expressions), ';'),
    goto_statement: ($) => seq('goto', field('label', $.identifier), ';'),
    labeled_statement: ($) => prec.right(seq(field('label', $.identifier), ':', optional($._statement))),

    // ------------------------------------------------------------------
    // Expressions
    // ------------------------------------------------------------------
    _expressions: ($) => choice($._expression, $.comma_expression),

    comma_expression: ($) =>
      prec.left(PREC.comma, seq(field('left', $._expressions), ',', field('right', $._expression))),

    _expression: ($) =>
      choice(
        $.assignment_expression,
        $.conditional_expression,
        $.binary_expression,
        $.unary_expression,
        $.update_expression,
        $.reference_expression,
        $.new_expression,
        $.delete_expression,
        $.transpose_expression,
        $.call_expression,
        $.index_expression,
        $.member_expression,
        $.cast_expression,
        $.lambda_expression,
        $.multiple_assignment,
        $.parenthesized_expression,
        $.array_expression,
        $.matrix_constant,
        $._name,
        $.this,
        $.number,
        $.character,
        $.string,
        $.concatenated_string,
        $.special_value,
      ),

    _name: ($) => choice($.identifier, $.qualified_identifier),

    qualified_identifier: ($) => prec.left(seq($.identifier, repeat1(seq('::', $.identifier)))),

    assignment_expression: ($) =>
      prec.right(
        PREC.assign,
        seq(
          field('left', $._expression),
          field('operator', choice('=', '*=', '/=', '+=', '-=', '~=', '|=', '.*=', './=')),
          field('right', $._expression),
        ),
      ),

    // c ? a : b, and the element-wise c .? a .: b.
    conditional_expression: ($) =>
      choice(
        ...[
          ['?', ':', $._expressions],
          ['.?', '.:', $._expression],
        ].map(([question, colon, consequence]) =>
          prec.right(
            PREC.conditional,
            seq(
              field('condition', $._expression),
              question,
              field('consequence', consequence),
              colon,
              field('alternative', $._expression),
            ),
          ),
        ),
      ),

    binary_expression: ($) => {
      const table = [
        [PREC.or, '||'],
        [PREC.dot_or, '.||'],
        [PREC.and, '&&'],
        [PREC.dot_and, '.&&'],
        [PREC.equality, choice('==', '!=', '.==', '.!=')],
        [PREC.shift, choice('<<', '>>')],
        [PREC.relational, choice('<', '<=', '>', '>=', '.<', '.<=', '.>', '.>=')],
        [PREC.vcat, '|'],
        [PREC.hcat, '~'],
        [PREC.additive, choice('+', '-')],
        [PREC.multiplicative, choice('*', '/', '.*', './', '**')],
      ];
      return choice(
        ...table.map(([p, op]) =>
          prec.left(p, seq(field('left', $._expression), field('operator', op), field('right', $._expression))),
        ),
        // The right operand of a power is a prefix expression: 2^-1.
        prec.right(
          PREC.power,
          seq(field('left', $._expression), field('operator', choice('^', '.^')), field('right', $._expression)),
        ),
        // x'y: a transpose followed by a name, "(" or this multiplies.
        prec.left(
          PREC.multiplicative,
          seq(field('left', $.transpose_expression), $._implicit_times, field('right', $._expression)),
        ),
      );
    },

    unary_expression: ($) =>
      prec.right(PREC.prefix, seq(field('operator', choice('-', '+', '!')), field('operand', $._expression))),

    update_expression: ($) =>
      choice(
        prec.right(PREC.prefix, seq(field('operator', choice('++', '--')), field('operand', $._expression))),
        prec.left(PREC.postfix, seq(field('operand', $._expression), field('operator', choice('++', '--')))),
      ),

    reference_expression: ($) => prec.right(PREC.prefix, seq('&', field('operand', $._expression))),

    new_expression: ($) =>
      prec.right(PREC.prefix, seq('new', field('class', $._name), optional(field('arguments', $.argument_list)))),

    delete_expression: ($) => prec.right(PREC.prefix, seq('delete', field('operand', $._expression))),

    transpose_expression: ($) =>
      prec.left(PREC.postfix, seq(field('operand', $._expression), field('operator', choice("'", ".'")))),

    call_expression: ($) =>
      prec(PREC.postfix, seq(field('function', $._expression), field('arguments', $.argument_list))),

    argument_list: ($) => seq('(', commaSep(choice($._expression, $.spread_argument)), ')'),

    spread_argument: ($) => seq('...', $._expression),

    index_expression: ($) =>
      prec(PREC.postfix, seq(field('object', $._expression), '[', optional(field('index', choice($._expression, $.range))), ']')),

    range: ($) =>
      choice(
        seq(field('start', $._expression), ':', optional(field('end', $._expression))),
        seq(':', optional(field('end', $._expression))),
      ),

    member_expression: ($) =>
      prec(
        PREC.postfix,
        seq(
          field('object', $._expression),
          field('operator', choice('.', '->')),
          field('member', choice($.identifier, $.destructor_name)),
        ),
      ),

    cast_expression: ($) =>
      seq(
        field('type', alias(choice('int', 'double', 'matrix', 'string', 'array'), $.type)),
        '(',
        optional('...'),
        field('value', $._expressions),
        ')',
      ),

    lambda_expression: ($) =>
      seq('[', choice('=', '&'), ']', field('parameters', $.parameter_list), field('body', $.block)),

    multiple_assignment: ($) =>
      prec.right(
        PREC.assign,
        seq('[', $._assignment_targets, ']', '=', field('value', $._expression)),
      ),

    // Targets in order; an empty position skips an element: [a, , c].
    _assignment_targets: ($) =>
      choice(
        seq(optional($._expression), ',', optional($._assignment_targets)),
        $._expression,
      ),

    parenthesized_expression: ($) => seq('(', $._expressions, ')'),

    array_expression: ($) => seq('{', commaSep($._expression), optional(','), '}'),

    this: (_) => 'this',

    special_value: (_) => token(choice('.NaN', '.Inf', '.Null')),

    // ------------------------------------------------------------------
    // Matrix constants: < 1, 2; 3, 4 >
    // ------------------------------------------------------------------
    matrix_constant: ($) =>
      seq(
        '<',
        optional(seq($.matrix_row, repeat(seq(';', optional($.matrix_row))))),
        choice('>', alias('.>', $.missing_value_end)),
      ),

    matrix_row: ($) => commaSep1($._matrix_element),

    _matrix_element: ($) =>
      choice($._constant, $.repeated_element, $.placed_element, $.element_range, $.missing_value),

    repeated_element: ($) => seq('[', field('count', $._constant), ']', '*', field('value', $._constant)),

    placed_element: ($) =>
      seq('[', field('row', $._constant), ']', '[', field('column', $._constant), ']', '=', field('value', $._constant)),

    element_range: ($) =>
      seq(
        field('start', $._constant),
        ':',
        optional(seq('[', field('step', $._constant), ']')),
        field('end', $._constant),
      ),

    missing_value: (_) => '.',

    _constant: ($) =>
      choice(
        $.number,
        $.character,
        $.special_value,
        $._name,
        alias($._constant_unary, $.unary_expression),
        alias($._constant_binary, $.binary_expression),
        alias($._constant_parenthesized, $.parenthesized_expression),
      ),

    _constant_unary: ($) =>
      prec(PREC.prefix, seq(field('operator', choice('-', '+', '!')), field('operand', $._constant))),

    _constant_binary: ($) =>
      choice(
        prec.left(PREC.additive, seq(field('left', $._constant), field('operator', choice('+', '-')), field('right', $._constant))),
        prec.left(
          PREC.multiplicative,
          seq(field('left', $._constant), field('operator', choice('*', '/')), field('right', $._constant)),
        ),
        prec.right(PREC.power, seq(field('left', $._constant), field('operator', '^'), field('right', $._constant))),
      ),

    _constant_parenthesized: ($) => seq('(', $._constant, ')'),

    // ------------------------------------------------------------------
    // Tokens
    // ------------------------------------------------------------------
    identifier: (_) => /[A-Za-z_][A-Za-z0-9_]*/,

    number: (_) =>
      token(
        choice(
          /0[xX][0-9a-fA-F]+/,
          /0[xX]\.[0-9a-fA-F]+/,
          /0[vV][0-9a-fA-F]+/,
          /[0-9]+(\.[0-9]*)?([eEdD][+-]?[0-9]+)?[iI]?/,
          /\.[0-9]+([eEdD][+-]?[0-9]+)?[iI]?/,
        ),
      ),

    character: (_) => token(seq("'", repeat1(choice(/[^'\\\n]/, /\\[^\n]/)), "'")),

    string: (_) => token(seq('"', repeat(choice(/[^"\\\n]/, /\\[^\n]/)), '"')),

    concatenated_string: ($) => seq($.string, repeat1($.string)),

    line_comment: (_) => token(seq('//', /[^\n]*/)),
  },
});
