// SYNTAX TEST "source.kjgauss" "every kind of GAUSS token"
#include mylib.src;
// <-------- keyword.control.directive.include.kjgauss
//       ^^^^^^^^^ string.unquoted.path.kjgauss
#IFUNIX
// <------- keyword.control.directive.kjgauss
#endif
// <------ keyword.control.directive.kjgauss
@ an at-sign comment @ new;
// <---------------------- comment.block.at.kjgauss
//                     ^^^ keyword.other.kjgauss
/* block /* nested */ comment */ x = 1; // line
// <-------- comment.block.kjgauss
//                    ^^^^^^^^^^ comment.block.kjgauss
//                                      ^^^^^^^ comment.line.double-slash.kjgauss
proc (2) = stats(x, &f);
// <---- storage.type.kjgauss
//   ^^^ constant.numeric.returns.kjgauss
//       ^ keyword.operator.assignment.kjgauss
//         ^^^^^ entity.name.function.kjgauss
//                  ^ punctuation.accessor.kjgauss
    local m, s;
//  ^^^^^ storage.type.kjgauss
    m = meanc(x); s = stdc(x)'.*.ones(2,2);
//      ^^^^^ entity.name.function.call.kjgauss
//                           ^ keyword.operator.transpose.kjgauss
//                            ^^^ keyword.operator.kronecker.kjgauss
    retp(m, s);
//  ^^^^ keyword.control.procedure.kjgauss
endp;
// <---- keyword.control.procedure.kjgauss
KEYWORD show(str); ENDP;
// <------- storage.type.kjgauss
//      ^^^^ entity.name.function.kjgauss
//                 ^^^^ keyword.control.procedure.kjgauss
fn area(r) = pi * r^2;
// <-- storage.type.kjgauss
// ^^^^ entity.name.function.kjgauss
//                 ^ keyword.operator.arithmetic.kjgauss
x = { 1 2 3, 4 5 6 };
//  ^ punctuation.section.braces.begin.kjgauss
//    ^ constant.numeric.decimal.kjgauss
//         ^ punctuation.separator.comma.kjgauss
let v = 1 2 3;
// <--- storage.type.kjgauss
declare matrix w = 0;
// <------- storage.type.kjgauss
//      ^^^^^^ storage.type.kjgauss
IF x[1,1] /= 0 AND NOT y .EQ 2;
// <-- keyword.control.kjgauss
//        ^^ keyword.operator.comparison.kjgauss
//             ^^^ keyword.operator.logical.kjgauss
//                 ^^^ keyword.operator.logical.kjgauss
//                       ^^^ keyword.operator.comparison.elementwise.kjgauss
    s = "a" $+ "b\l"; t = s $== "ab"; u = s .$/= "x";
//      ^^^ string.quoted.double.kjgauss
//          ^^ keyword.operator.string.kjgauss
//               ^^ constant.character.escape.kjgauss
//                          ^^^ keyword.operator.string.kjgauss
//                                          ^^^^ keyword.operator.string.kjgauss
ELSEIF x .and y; z = 5 % 3 + 4!;
// <------ keyword.control.kjgauss
//       ^^^^ keyword.operator.logical.elementwise.kjgauss
//                     ^ keyword.operator.arithmetic.kjgauss
//                            ^ keyword.operator.arithmetic.kjgauss
ENDIF;
// <----- keyword.control.kjgauss
do while i < 10; i = i + 1; endo;
// <-- keyword.control.kjgauss
// ^^^^^ keyword.control.kjgauss
//         ^ keyword.operator.comparison.kjgauss
//                          ^^^^ keyword.control.kjgauss
for i (1, 10, 1); call f(i); endfor;
// <--- keyword.control.kjgauss
//                ^^^^ keyword.other.kjgauss
//                           ^^^^^^ keyword.control.kjgauss
print x ~ y | z;;
// <----- support.function.command.kjgauss
//      ^ keyword.operator.concatenation.kjgauss
//          ^ keyword.operator.concatenation.kjgauss
//             ^^ punctuation.terminator.statement.kjgauss
format /rd 8,3;
// <------ support.function.command.kjgauss
? x .* y ./ 2;
// <- keyword.operator.print.kjgauss
//  ^^ keyword.operator.arithmetic.elementwise.kjgauss
//       ^^ keyword.operator.arithmetic.elementwise.kjgauss
gosub lbl; lbl: pop q; return;
// <----- keyword.control.kjgauss
//              ^^^ keyword.control.kjgauss
//                     ^^^^^^ keyword.control.kjgauss
lbl:
// <--- entity.name.label.kjgauss
y = x[2:3, .];
//     ^ keyword.operator.range.kjgauss
//   ^ punctuation.section.brackets.begin.kjgauss
