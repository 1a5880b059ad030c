// Objects: creation, cloning and deletion, the member instructions, the
// `new`, `destruct` and `delete` operators, and the object access that native
// code has through the C interface. Class records and lookups: link/class_members.h.
//
// Objects are handles: copying or releasing an object record never copies or
// frees its member block; only deletion does. The owns flag on an object
// record only marks the record that deletes the object when a value store is
// deleted (and FKjCreateObject's result).
#pragma once

#include "link/opcodes.h"
#include "vm/callback.h"
#include "vm/engine.h"

namespace kj::vm {

// NEW, CAM, LMP, SMP, LMR, SMN and RTL on the synchronised engine.
void object_instruction(Engine& e, link::Op op, int operand);

// --- member instructions (members_access.cpp) ---
// CAM n: from the bottom object, selector, int 0 and n arguments. A selector
// without value (from `destruct`) pops the lot and leaves int 0 in the object
// slot; otherwise the member function moves into the object slot and the
// object into the selector slot, and CAL n + 2 follows.
void call_member(Engine& e, int n);
void load_member(Engine& e, int k);       // LMP k
void store_member_at(Engine& e, int k);   // SMP k
void load_member_reference(Engine& e);    // LMR
void store_member_by_name(Engine& e);     // SMN
// The member record the address forms of LMP (member k of the object on top)
// and LMR (object, name, placeholder; the name and placeholder are popped)
// refer to; a static member's record is in its class's list.
Value* member_address(Engine& e, link::Op op, int operand);
// The store into a member record: assign (ownership moves from src, which
// stays as an alias), keeping the record's attribute bits.
void store_into_member(Value& member, Value& src);

// --- objects ---
// A new object of class symbol k: members without value carrying the class
// members' attribute bits; not owning. Error 21 "class expected" with the
// symbol's name when k is not a class, 4 "out of memory" ("new class").
Value new_object(int k);
// dst (released first) becomes a new owning object of src's class whose
// members are owned copies of src's; a member object is cloned too when deep
// (the same member object once per clone), else shared. Error 21 with
// "clone object" when src is no object.
void clone_object(Value& dst, const Value& src, bool deep);
// Calls the destructor "~" + class name (when the class has one that is
// defined) through the callback primitive, releases the members, frees the
// block and leaves int 0. Anything but an object is left alone. A failing
// destructor raises "in callback function" afterwards when a run is active.
void delete_object(Value& object);
// Frees the member blocks of the objects that were never deleted, without
// calling destructors (the end of a run: nothing can reach them any more).
void free_remaining_objects();

// --- operators (OPR) ---
// The delete statement compiles to: the address of the variable, four PSH 0,
// OPR destruct, CAM 0, OPR delete; afterwards one int 0 is left in place of
// the address.
// destruct (132): pops one of the four records; the three above the address
// become object, selector and int 0 of a CAM 0 that calls the destructor, or,
// when the variable holds no object or its class has no destructor, a
// selector without value, for which CAM calls nothing.
void op_destruct(Value*& sp);
// delete (47): top-1 the address, top the destructor's result. A variable
// without value becomes type 0 without value; a constant is error 26 "cannot
// delete a constant"; a matrix, string, array or "vector" is released and an
// object's members are released and its block freed, both leaving type 0
// without value; other types stay. The two records become int 0.
void op_delete(Value*& sp);
// new (93): the top owns its payload (an object is marked, anything else made owned).
void op_new(Value*& sp);
// Applies 132, 47 and 93; false for any other code.
bool object_operator(int code, Value*& sp);

// --- native access (the callbacks of the C interface) ---
// Calls member function value fn with the object and an int 0 before args.
bool call_member_function(const Value& object, const Value& fn, Value& result, const Value* args, int n,
                          OnError on_error);
// FKjCallBackMember: false when the object's class has no defined member `name`.
bool call_member_by_name(const Value& object, const char* name, Value& result, const Value* args, int n);
// FKjCreateObject: false when the class is unknown or its constructor is
// declared only; otherwise the object (owning) is in `object` and the result
// is the constructor call's (true without constructor).
bool create_object(const char* class_name, Value& object, const Value* args, int n);
// FKjGetDataMember: out (released first) becomes an alias of the member's
// value without owns, static and 0x80000.
bool get_data_member(const Value& object, const char* name, Value& out);
// FKjSetDataMember: a member both static and constant is left unchanged.
bool set_data_member(const Value& object, const char* name, Value& in);

}  // namespace kj::vm
