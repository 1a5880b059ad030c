// exit: 1
/*
** Matrix files: save writes a .fmt file (the extension is added when the
** name has none), load and loadm read it back; the file holds a 16-byte
** header and eight bytes per element.
*/
x = { 1.5 -2 3, 0.25 1e10 -7 };
save /tmp/kj_gauss_matfiles_x = x;
load y = /tmp/kj_gauss_matfiles_x;
print y;
print maxc(maxc(abs(y - x)));
z = loadm("/tmp/kj_gauss_matfiles_x.fmt");
print rows(z) cols(z);
name = "/tmp/kj_gauss_matfiles_v";
v = seqa(1, 1, 4);
save ^name = v;
load w = ^name;
print w';
f = fopen("/tmp/kj_gauss_matfiles_x.fmt", "rb");
call fseek(f, 0, 2);
print ftell(f);
call fclose(f);
load q = /tmp/kj_gauss_matfiles_nothere;
print "not reached";
