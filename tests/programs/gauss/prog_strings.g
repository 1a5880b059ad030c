/*
** String handling: building labels, searching, case, conversions between
** numbers and text, character codes, and string arrays in a small report.
*/
new;
names = "GDP" $| "Inflation" $| "Unemployment";
values = { 2.1, 3.4, 5.75 };
i = 1;
do while i <= rows(values);
    label = ftos(i, "%*.*lf", 1, 0) $+ ". " $+ names[i];
    line = label $+ ": " $+ ftos(values[i], "%*.*lf", 6, 2);
    print line;
    i = i + 1;
endo;
s = "The quick brown fox";
print strlen(s) strsrch(s, "quick") strsrch(s, "slow");
print lower(s);
print upper(strsect(s, 5, 5));
print vals("AZ")';
print chrs({ 72, 105 });
if names[2] $== "Inflation";
    print "found " names[2];
endif;
print ("a" $< "b") ("b" $< "a");
