// A school store over a package drive with the sample words, a teacher's
// folder for the files a word list brings, and one word of the school's own
// ("uta", casa, hogar) that a refused change must leave alone with its files.
#pragma once

#include "wordstore/school_store.h"

#include <QTemporaryDir>

struct SchoolWithOneWord {
    QTemporaryDir package, school, teacher;
    korivanta::wordstore::SchoolStore store;
    SchoolWithOneWord();
};
