// Statements: a program without procedures runs in order as main; if chains,
// loops, jumps, gosub with values taken last in first out, keyword
// procedures, one-line functions, procedures with several results, let,
// declare, call, and expression statements that print their value.
print "first";
proc (3) = stats(x);
    local m, s;
    m = meanc(x);
    s = stdc(x);
    retp(m, s, rows(x));
endp;
{ m, s, n } = stats({ 2, 4, 6, 8 });
print m s n;
for i (3, 1, -1);
    if i == 3;
        print "three";;
    elseif i == 2;
        print " two";;
    else;
        print " one";
    endif;
endfor;
j = 0;
do while 1;
    j = j + 1;
    if j < 3; continue; endif;
    if j >= 5; break; endif;
    print "j" j;
endo;
do until j == 0; j = j - 1; endo;
print j;
gosub swap(1, 2);
pop second;
pop first;
print first second;
keyword say(text);
    print "[" text "]";
endp;
say Hello,   world;
fn area(r) = pi * r^2;
print area(1);
let v = 3 1 2;
print v';
let string w = { ab "Cd" };
print w;
declare matrix level = 5;
declare matrix level ?= 6;
print level;
screen off;
string greeting = "hi";
print greeting;
screen on;
call stats(1);
stats({ 1, 3 });
x = 2;
x;
noresult();
goto finish;
print "not printed";
finish:
print "last";
end;

swap:
    pop b;
    pop a;
    return(b, a);

proc 0 = noresult;
    retp;
endp;
