"""Writes a document archive of a given shape with plistlib, for the decoding-memory bench.

    archive_shapes.py SHAPE RECORDS FIELDS OUT

Shapes are the ones where a file byte can turn into the most memory: one short text shared by
every field, records holding only their counter, values that are long arrays or dictionaries of
one shared number, distinct numbers, one array of many entries, and a record list naming one
record again and again.
"""
import plistlib, sys
from plistlib import UID
def doc(records_builder, nfields):
    objs=['$null']
    def add(o):
        objs.append(o); return UID(len(objs)-1)
    dictcls=None
    root=add(None)
    dictcls=add({'$classes':['NSMutableDictionary','NSDictionary','NSObject'],'$classname':'NSMutableDictionary'})
    arrcls=add({'$classes':['NSMutableArray','NSArray','NSObject'],'$classname':'NSMutableArray'})
    k=lambda s: add(s)
    kinner,kpublic=k('innerKey'),k('publicKey')
    keys=[]
    inner=[k(str(i+1)) for i in range(nfields+2)]
    keys.append(add({'$class':dictcls,'NS.keys':[kinner,kpublic],'NS.objects':[inner[0],add('#')]}))
    keys.append(add({'$class':dictcls,'NS.keys':[kinner,kpublic],'NS.objects':[inner[1],add('sel')]}))
    for f in range(nfields):
        keys.append(add({'$class':dictcls,'NS.keys':[kinner,kpublic],'NS.objects':[inner[f+2],add('F%d'%f)]}))
    keyArray=add({'$class':arrcls,'NS.objects':keys})
    recs=records_builder(add,dictcls,arrcls,inner)
    dataArray=add({'$class':arrcls,'NS.objects':recs})
    protos=add({'$class':arrcls,'NS.objects':[]})
    rk=[k(s) for s in ['appversion','keyArray','dataArray','universalFilePrototypeArray']]
    objs[root.data]={'$class':dictcls,'NS.keys':rk,'NS.objects':[add(10000),keyArray,dataArray,protos]}
    return {'$archiver':'NSKeyedArchiver','$objects':objs,'$top':{'root':root},'$version':100000}

shape, n, f, out = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
def b(add,dictcls,arrcls,inner):
    recs=[]
    false=add(False)
    if shape=='shared':   # every field the same shared short text
        v=add('x')
        for i in range(n):
            recs.append(add({'$class':dictcls,'NS.keys':inner,'NS.objects':[add(i+1),false]+[v]*f}))
    elif shape=='emptyrec':  # records holding only counter
        for i in range(n):
            recs.append(add({'$class':dictcls,'NS.keys':inner[:1],'NS.objects':[add(i+1)]}))
    elif shape=='arrays':   # each field an array of 200 refs to one number
        one=add(1); arr=None
        for i in range(n):
            a=add({'$class':arrcls,'NS.objects':[one]*200})
            recs.append(add({'$class':dictcls,'NS.keys':inner[:3],'NS.objects':[add(i+1),false,a]}))
    elif shape=='bigarray':  # one record whose field is one array of n refs to one number
        one=add(1)
        a=add({'$class':arrcls,'NS.objects':[one]*n})
        recs.append(add({'$class':dictcls,'NS.keys':inner[:3],'NS.objects':[add(1),false,a]}))
    elif shape=='samerecord':  # the record list naming one record n times
        r=add({'$class':dictcls,'NS.keys':inner,'NS.objects':[add(1),false]+[add('x')]*f})
        recs=[r]*n
    elif shape=='dicts':   # each field a dict of 100 entries of shared keys/values
        one=add(1)
        for i in range(n):
            d=add({'$class':dictcls,'NS.keys':inner[:100],'NS.objects':[one]*100})
            recs.append(add({'$class':dictcls,'NS.keys':inner[:3],'NS.objects':[add(i+1),false,d]}))
    elif shape=='numbers':  # distinct numbers
        for i in range(n):
            recs.append(add({'$class':dictcls,'NS.keys':inner,'NS.objects':[add(i+1),false]+[add(i*f+j+100000) for j in range(f)]}))
    return recs
d=doc(b,f if shape not in('arrays','dicts') else max(f,100))
plistlib.dump(d,open(out,'wb'),fmt=plistlib.FMT_BINARY,sort_keys=False)
