/*
** String and date helpers: trimming, splitting and tokens, replacing and
** overlaying, joining, C formats (sprintf, ftos, ftostrc, ftocv), pieces of
** eight characters, and the date and time vectors with their texts, day of
** the year and elapsed time. Values by hand or from the calendar.
*/
print (strtriml("  ab ") $+ "|") (strtrimr("  ab ") $+ "|") (strtrim(" ab ") $+ "|");
s = strsplit("alpha beta,gamma  delta");
print rows(s) s[1] s[4];
s = strsplit("a;;b;", ";");
print rows(s) strlen(s)';
{ t, r } = token("  first, second third");
print (t $+ "|") (r $+ "|");
{ t, r } = token("last");
print (t $+ "|") (r $+ "|");
print strrep("a.b.c", ".", "::") strreplace("aaa", "aa", "b") strrep("abc", "x", "y");
print strput("XY", "abcdef", 3) strput("XYZ", "abcd", 3) (strput("Q", "ab", 4) $+ "|");
print strcombine("a" $| "b" $| "c", ", ", "'") strcombine("x" $| "y", "-", 0);
@ C formats: the "*" width and precision, length modifiers, text around @
print ftos(3.14159, "%*.*lf", 8, 3) ftos(-2, "beta = %*.*lf;", 1, 2) ftos(42, "%-*.*lf|", 6, 0);
print sprintf("%5.2f and %d%%", 3.14159, 7);
print sprintf("x%d=%6.3lf", seqa(1, 1, 3), { 0.5, 1.25, 2 });
print sprintf("%s: %4.1f %4.1f", "row" $| "col", { 1 2, 3 4 });
print ftostrc({ 1.5 2, 3 4 }, "%5.2lf");
print ftostrc({ 1, 2 }, "v%02.0f");
print ("b" $+ ftocv(seqa(1, 1, 3), 2, 0));
print rows(stocv("abcdefghijk")) cvtos(stocv("abcdefghijk"));
@ dates and times @
d = { 2009, 9, 14, 4500000 };
print datestr(d) datestring(d) datestrymd(d) timestr({ 13, 5, 9, 0 });
print dayinyr({ 2008, 3, 1, 0 }) dayinyr({ 2009, 3, 1, 0 }) dayinyr({ 2000, 12, 31, 0 });
d0 = { 2009, 9, 14, 0 };
print ethsec(d0, { 2009, 9, 14, 360 }) ethsec(d0, { 2009, 9, 15, 0 }) ethsec({ 2008, 2, 28, 100 }, { 2008, 3, 1, 0 });
print etstr(12345);
print etstr(3601234);
print etstr(2 * 8640000 + 60);
print etstr(7);
now = date;
clock = time;
print rows(now) (now[1] >= 2020) (now[2] >= 1 and now[2] <= 12) (now[4] >= 0 and now[4] < 8640000);
print rows(clock) (clock[1] < 24) (clock[2] < 60) (clock[3] < 60) (clock[4] < 100);
print strlen(datestr(0)) strlen(datestring(0)) strlen(datestrymd(0)) strlen(timestr(0));
