#!/usr/bin/env python3
# Length, loudness-envelope correlation and level ratio of two 16-bit WAV files:
#   scripts/compare_loudness.py ours.wav reference.wav
import wave, array, math, sys
def env(p):
    w=wave.open(p); r=w.getframerate(); n=w.getnframes(); d=array.array('h', w.readframes(n))
    win=r//20; out=[]
    for i in range(0, n-win, win):
        s=d[2*i:2*(i+win)]; out.append(math.sqrt(sum(x*x for x in s)/len(s)))
    return n/r, out
la,ea=env(sys.argv[1]); lb,eb=env(sys.argv[2]); k=min(len(ea),len(eb)); ea,eb=ea[:k],eb[:k]
ma,mb=sum(ea)/k,sum(eb)/k
cov=sum((x-ma)*(y-mb) for x,y in zip(ea,eb)); va=math.sqrt(sum((x-ma)**2 for x in ea)); vb=math.sqrt(sum((y-mb)**2 for y in eb))
print("length ours %.2f s, reference %.2f s; loudness-envelope correlation %.3f; level ratio %.3f"%(la,lb,cov/va/vb,ma/mb))
