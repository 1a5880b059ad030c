/*
** Keyword procedures as small commands: the rest of the statement arrives as
** one string, which the procedure splits into words and acts on.
*/
new;
declare matrix total = 0;

keyword add(args);
    local rest, k, word;
    rest = args $+ " ";
    do while strlen(rest) > 0;
        k = strsrch(rest, " ");
        word = strsect(rest, 1, k - 1);
        rest = strsect(rest, k + 1, strlen(rest));
        if strlen(word) > 0;
            total = total + stof(word);
        endif;
    endo;
    print "total now " total;
endp;

keyword echo(s);
    print "echo: " s;
endp;

add 1 2 3.5;
add 10;
echo Spaces   are   kept;
echo;
