// QEL's conversion core: the last accepted text of each field, the
// conversions between the bases, and the rules each field's text obeys.
// It keeps no window state; its one tie to the platform is the rejection
// feedback (an injected Backspace and a beep) given by the validators.
#ifndef QEL_CORE_H
#define QEL_CORE_H

enum { LungBuffer = 30 };  // every field buffer: 29 characters and the NUL

// Last accepted texts: decimal, hexadecimal (capital letters), octal.
extern char StrD[LungBuffer];
extern char StrH[LungBuffer];
extern char StrO[LungBuffer];

// Conversions. Decimal is the hub: hexadecimal and octal go through StrD.
void DecToEsa();  // StrD -> StrH
void DecToOct();  // StrD -> StrO
void EsaToDec();  // StrH -> StrD; an empty StrH leaves StrD as it is
void OctToDec();  // StrO -> StrD; an empty StrO leaves StrD as it is

// Validators: 1 if the text is a valid entry for the base, otherwise they
// take the keystroke back (one Backspace), beep once and answer 0.
int EditDecimale(const char* stringa, int num_car);
int EditEsadecimale(const char* stringa, int num_car);
int EditOttale(const char* stringa, int num_car);

#endif
