/* The floor of the run benchmark: makes the same folders and files as the merge of the
 * benchmark document, with the same bytes and the same system calls per item (existence
 * check, temporary file, write, no-replace rename), but without any templating.
 * Usage: floor DEST [RECORDS] */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

static const char* const kCities[] = {"Amsterdam", "Berlin", "Cork",  "Dublin", "Evora",
                                      "Florence",  "Ghent",  "Hanoi", "Izmir",  "Jaipur"};

static unsigned long counter;
static long created;

/* Writes contents at target unless something is there, as the merge does. */
static void put_file(const char* folder, const char* name, const char* target,
                     const char* contents, size_t len)
{
    struct stat st;
    char temp[4096];
    if (stat(target, &st) == 0)
        return;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        snprintf(temp, sizeof temp, "%s/.%.48s.qly-%lx-%lx", folder, name, (long)getpid(),
                 counter++);
        fd = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            perror(temp);
            return;
        }
    }
    const char* p = contents;
    while (len > 0) {
        ssize_t n = write(fd, p, len);
        if (n < 0) {
            perror(temp);
            close(fd);
            unlink(temp);
            return;
        }
        p += n;
        len -= (size_t)n;
    }
    close(fd);
    if (renameat2(AT_FDCWD, temp, AT_FDCWD, target, RENAME_NOREPLACE) != 0) {
        perror(target);
        unlink(temp);
        return;
    }
    ++created;
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s DEST [RECORDS]\n", argv[0]);
        return 2;
    }
    const char* dest = argv[1];
    const long records = argc > 2 ? atol(argv[2]) : 100000;
    int width = snprintf(NULL, 0, "%ld", records);

    char folder[4096], target[4200], name[256], city[64], email[256], phone[64];
    static char card[8192];
    size_t listCap = 1 << 20, listLen = 0;
    char* list = malloc(listCap);
    listLen = (size_t)snprintf(list, listCap, "#\tName\tCity\tEmail\n");

    /* Items in the merge's order: every record's folder, then every record's card. */
    for (long i = 1; i <= records; ++i) {
        snprintf(folder, sizeof folder, "%s/Person%ld_%0*ld/", dest, i, width, i);
        struct stat st;
        if (stat(folder, &st) != 0) {
            if (mkdir(folder, 0777) == 0)
                ++created;
            else if (errno != EEXIST)
                perror(folder);
        }
    }
    for (long i = 1; i <= records; ++i) {
        snprintf(name, sizeof name, "Person%ld", i);
        snprintf(city, sizeof city, "%s", kCities[i % 10]);
        snprintf(email, sizeof email, "person%ld@example.com", i);
        snprintf(phone, sizeof phone, "+1-555-%04ld", i % 10000);
        snprintf(folder, sizeof folder, "%s/%s_%0*ld", dest, name, width, i);
        snprintf(target, sizeof target, "%s/card.txt", folder);
        const int n = snprintf(
            card, sizeof card,
            "Card %0*ld\nName: %s\nCity: %s\nEmail: %s\nPhone: %s\n\nDear %s,\n"
            "this card was made for you in %s. We will write to %s or call %s when your "
            "order is ready. Thank you for choosing us, %s, and see you soon in %s.\n"
            "Reference: %s-%0*ld\n",
            width, i, name, city, email, phone, name, city, email, phone, name, city, name, width,
            i);
        put_file(folder, "card.txt", target, card, (size_t)n);

        char line[512];
        const int m = snprintf(line, sizeof line, "%s%0*ld\t%s\t%s\t%s", i > 1 ? "\n" : "",
                               width, i, name, city, email);
        if (listLen + (size_t)m + 2 > listCap) {
            listCap *= 2;
            list = realloc(list, listCap);
        }
        memcpy(list + listLen, line, (size_t)m);
        listLen += (size_t)m;
    }
    list[listLen++] = '\n';
    snprintf(target, sizeof target, "%s/list.txt", dest);
    put_file(dest, "list.txt", target, list, listLen);
    free(list);
    printf("created %ld\n", created);
    return 0;
}
