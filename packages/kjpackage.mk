# Building Kj packages with make.
#
#   include /path/to/kjpackage.mk
#   all: mypkg_64.so          # built from mypkg.c (more objects: mypkg_64.so: extra.c)
#
# NAME_64.so is the file a binding to the library NAME tries first. Set
# KJ_INCLUDE when kj80x.h is neither beside this file, nor in ../include (the
# Kj tree), nor in ../../include (an installed Kj: share/kj80x/kjpackage.mk).
KJ_HERE    := $(dir $(lastword $(MAKEFILE_LIST)))
KJ_INCLUDE ?= $(dir $(firstword $(wildcard $(addsuffix kj80x.h,$(KJ_HERE) $(KJ_HERE)../include/ $(KJ_HERE)../../include/)) $(KJ_HERE)../include/kj80x.h))
KJ_CFLAGS  ?= -O2 -fPIC -fvisibility=hidden -Wall -Wextra
KJ_LDLIBS  ?= -lm

%_64.so: %.c
	$(CC) $(KJ_CFLAGS) $(CFLAGS) -I$(KJ_INCLUDE) -shared -o $@ $^ $(LDFLAGS) $(KJ_LDLIBS) $(LDLIBS)
