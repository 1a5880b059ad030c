/*
** Subroutines inside a program with gosub: a table of loan repayments where
** the payment is computed by a subroutine that receives its inputs and
** returns its result on the stack.
*/
new;
format /rd 10,2;
principal = 10000;
years = 5;
print "  rate   payment   total";
rate = 0.03;
do while rate <= 0.0701;
    gosub payment(principal, rate, years);
    pop pay;
    print rate pay (pay * years);
    rate = rate + 0.02;
endo;
end;

payment:
    pop n;
    pop r;
    pop p;
    return(p * r / (1 - (1 + r)^(-n)));
